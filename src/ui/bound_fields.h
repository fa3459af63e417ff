#pragma once

#include "data/dataset.h"
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <vector>

class DbError;

// What a screen reader calls a field, without the caption's colon.
QString fieldCaption(QWidget *editor);

// A refusal of the database about one field (required, too long, not a date or a number), in
// Greek and naming the field's caption, which takes the focus; any other error as it reads.
QString refusalInWords(const DbError &error, QWidget *window);

// The tie between one editor and one column of a set's current row: typing starts editing
// (a new row on an empty set), the typed text is converted to the column's type when the
// editor is left or the row is stored, and the editor shows the stored value otherwise.
class FieldLink : public QObject {
    Q_OBJECT
public:
    FieldLink(DataSet &data, const QString &column, QWidget *editor, std::function<QString()> text,
              std::function<void(const QString &)> show);

    void typed();   // the person changed the editor's text
    void commit();  // converts and stores the typed text into the row; throws when it cannot
    void commitOnLeaving(Qt::FocusReason reason);
    void showStored();
    // Drops what was typed here, and only here: the field shows its stored value again.
    void revert();
    // The days this date field takes, read when it is checked; a two-digit year then takes the
    // latest year not after the last day. Every date field refuses days before 1/1/1900.
    void setDateRange(std::function<QDate()> earliest, std::function<QDate()> latest);
    // Amounts show with fixed decimals ("100,50").
    void setDecimals(int decimals) { m_decimals = decimals; showStored(); }
    bool isDirty() const { return m_dirty; }
    int fieldIndex() const;
    const QString &column() const { return m_column; }
    // Null once the set is gone: a window's widgets may outlive the sets it declared after them.
    DataSet *dataSet() const { return m_data; }
    DataSet &data() const { return *m_data; } // while the set lives
    QWidget *editor() const { return m_editor; }

private:
    QVariant converted(const QString &text) const;

    QPointer<DataSet> m_data;
    QString m_column;
    QWidget *m_editor;
    std::function<QString()> m_text;
    std::function<void(const QString &)> m_show;
    bool m_dirty = false;
    bool m_typing = false;
    QString m_refusedText; // the text last refused on leaving; null when none
    int m_decimals = -1;
    std::function<QDate()> m_earliest;
    std::function<QDate()> m_latest;
};

// Single-line field for texts, dates and numbers. Number fields refuse other keys with a
// beep; a text field takes no more characters than its column holds.
class BoundLineEdit : public QLineEdit {
    Q_OBJECT
public:
    BoundLineEdit(DataSet &data, const QString &column, QWidget *parent = nullptr);
    FieldLink *link() const { return m_link; }
    // A field the person cannot type into; the window writes it (a dose date, say).
    void setTypingAllowed(bool allowed);
    // Writes text as if typed: the row starts editing and stores it on post.
    void setTextAsTyped(const QString &text);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void adaptToField();
    FieldLink *m_link;
    bool m_typingAllowed = true;
    bool m_showing = false;
};

// Multi-line field with a vertical scroll bar; Esc puts back the stored text.
class BoundMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    BoundMemo(DataSet &data, const QString &column, QWidget *parent = nullptr);
    FieldLink *link() const { return m_link; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    FieldLink *m_link;
    bool m_showing = false;
};

// A fixed list of values; empty until one is chosen.
class BoundChoice : public QComboBox {
    Q_OBJECT
public:
    BoundChoice(DataSet &data, const QString &column, const QStringList &items, QWidget *parent = nullptr);
    // Values stored as they are, each shown as its text ("MENB" as «Μηνιγγιτιδόκοκκος B»); also
    // for items known only once the window has read them (a schedule's series).
    struct Item {
        QString value;
        QString text;
    };
    void setItems(const std::vector<Item> &items);
    FieldLink *link() const { return m_link; }

private:
    FieldLink *m_link;
    bool m_showing = false;
};

// A read-only label showing one column of the current row.
class BoundLabel : public QLabel {
    Q_OBJECT
public:
    BoundLabel(DataSet &data, const QString &column, QWidget *parent = nullptr);
};
