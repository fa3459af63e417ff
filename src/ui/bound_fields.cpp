#include "ui/bound_fields.h"

#include "data/dataset.h"
#include "data/db_error.h"
#include "data/regional.h"
#include "ui/dataset_model.h"
#include "ui/guarded.h"
#include "ui/messages.h"
#include "ui/typed_values.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTimer>

FieldLink::FieldLink(DataSet &data, const QString &column, QWidget *editor, std::function<QString()> text,
                     std::function<void(const QString &)> show)
    : QObject(editor), m_data(&data), m_column(column), m_editor(editor), m_text(std::move(text)), m_show(std::move(show))
{
    const auto refresh = [this] {
        if (!m_dirty)
            showStored();
    };
    connect(&data, &DataSet::currentChanged, this, [this] {
        m_dirty = false;
        showStored();
    });
    connect(&data, &DataSet::reset, this, [this] {
        m_dirty = false;
        showStored();
    });
    connect(&data, &DataSet::rowChanged, this, [this, refresh](int row) {
        if (row == m_data->currentRow())
            refresh();
    });
    connect(&data, &DataSet::stateChanged, this, [this](DataSet::State state) {
        if (state == DataSet::State::Browse || state == DataSet::State::Inactive) {
            m_dirty = false; // stored or dropped
            showStored();
        }
    });
    data.addBeforePost(this, [this] { commit(); });
}

int FieldLink::fieldIndex() const
{
    return m_data && m_data->isOpen() ? m_data->fieldIndex(m_column) : -1;
}

void FieldLink::typed()
{
    // What the person typed stays in the editor while the row starts editing.
    m_typing = true;
    try {
        if (m_data && m_data->state() == DataSet::State::Browse)
            m_data->edit(); // on an empty set this starts a new row
    } catch (...) {
        m_typing = false;
        throw;
    }
    m_typing = false;
    m_dirty = true;
    m_refusedText = QString();
}

QString fieldCaption(QWidget *editor)
{
    QString caption = editor->accessibleName().trimmed();
    while (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return caption;
}

QString refusalInWords(const DbError &error, QWidget *window)
{
    if (error.kind() != DbError::Kind::Constraint || error.column().isEmpty() || !window)
        return messages::inWords(error);
    // The field that shows the refused column takes the focus and lends its caption.
    for (FieldLink *link : window->findChildren<FieldLink *>()) {
        if (link->column().compare(error.column(), Qt::CaseInsensitive) != 0 || !link->editor()->isVisible())
            continue;
        QTimer::singleShot(0, link->editor(), [editor = link->editor()] { editor->setFocus(); });
        return messages::inWords(error, fieldCaption(link->editor()));
    }
    return messages::inWords(error);
}

QVariant FieldLink::converted(const QString &text) const
{
    const Field &field = m_data->field(fieldIndex());
    const QString trimmed = text.trimmed();
    switch (field.type) {
    case FieldType::Date: {
        if (trimmed.isEmpty())
            return {};
        const Regional &regional = Regional::current();
        QString caption = fieldCaption(m_editor);
        if (caption.isEmpty())
            caption = field.name;
        std::optional<QDate> date = regional.parseDate(trimmed);
        if (!date)
            throw DbError(DbError::Kind::Other,
                          QStringLiteral("Το πεδίο «%1» δεν έχει έγκυρη ημερομηνία: «%2».").arg(caption, trimmed));
        const QDate latest = m_latest ? m_latest() : QDate();
        // "10/9/30" typed for a day that has passed is 1930, not 2030.
        static const QRegularExpression twoDigitYear(QStringLiteral("\\D\\d{1,2}$"));
        if (latest.isValid() && *date > latest && trimmed.count(regional.dateSeparator) == 2 &&
            twoDigitYear.match(trimmed).hasMatch())
            date = date->addYears(-100);
        const QDate earliest = std::max(QDate(1900, 1, 1), m_earliest ? m_earliest() : QDate());
        if (*date < earliest || (latest.isValid() && *date > latest)) {
            const QString from = regional.formatDate(earliest);
            const QString range = latest.isValid()
                                      ? QStringLiteral("από %1 έως %2").arg(from, regional.formatDate(latest))
                                      : QStringLiteral("από %1 και μετά").arg(from);
            throw DbError(DbError::Kind::Other,
                          QStringLiteral("Το πεδίο «%1» δέχεται ημερομηνία %2, όχι «%3».").arg(caption, range, trimmed));
        }
        return *date;
    }
    case FieldType::Integer: {
        if (trimmed.isEmpty())
            return {};
        bool ok = false;
        const int value = trimmed.toInt(&ok);
        if (ok)
            return value;
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, field.name));
    }
    case FieldType::Double: {
        if (trimmed.isEmpty())
            return {};
        if (const auto value = typedNumber(trimmed))
            return *value;
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(text, field.name));
    }
    case FieldType::Boolean:
        if (trimmed.isEmpty())
            return {};
        return trimmed == QLatin1String("True");
    case FieldType::Text:
    case FieldType::Memo:
        break;
    }
    return text; // an emptied text field holds the empty text
}

void FieldLink::commit()
{
    if (!m_dirty || fieldIndex() < 0)
        return;
    QVariant value;
    try {
        value = converted(m_text());
    } catch (const DbError &) {
        // The field keeps the focus with its text selected, for correction.
        m_editor->setFocus();
        if (auto *line = qobject_cast<QLineEdit *>(m_editor))
            line->selectAll();
        throw;
    }
    m_dirty = false;
    m_data->setValue(fieldIndex(), value);
}

void FieldLink::commitOnLeaving(Qt::FocusReason reason)
{
    // Focus that goes to a message box or a pop-up has not left the field: checking again then
    // would stack a second box over the first for one fault.
    if (!m_dirty || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    // A text refused once is told once: leaving it again (to the field's "X", say) is no trap.
    // Storing the row still refuses it.
    if (!m_refusedText.isNull() && m_text() == m_refusedText)
        return;
    try {
        commit();
    } catch (const DbError &error) {
        m_refusedText = m_text();
        messages::error(m_editor->window(), error.text());
        QTimer::singleShot(0, m_editor, [editor = m_editor] {
            editor->setFocus();
            if (auto *line = qobject_cast<QLineEdit *>(editor))
                line->selectAll();
        });
    }
}

void FieldLink::revert()
{
    m_dirty = false;
    m_refusedText = QString();
    showStored();
}

void FieldLink::setDateRange(std::function<QDate()> earliest, std::function<QDate()> latest)
{
    m_earliest = std::move(earliest);
    m_latest = std::move(latest);
}

void FieldLink::showStored()
{
    if (m_typing)
        return;
    const int column = fieldIndex();
    m_show(column < 0 || m_data->isEmpty() ? QString() : shownValue(m_data->value(column), m_decimals));
}

BoundLineEdit::BoundLineEdit(DataSet &data, const QString &column, QWidget *parent) : QLineEdit(parent)
{
    m_link = new FieldLink(
        data, column, this, [this] { return text(); },
        [this](const QString &value) {
            m_showing = true;
            setText(value);
            setCursorPosition(0);
            m_showing = false;
        });
    connect(this, &QLineEdit::textEdited, m_link, [this] { runGuarded(this, [this] { m_link->typed(); }); });
    connect(&data, &DataSet::reset, this, &BoundLineEdit::adaptToField);
    adaptToField();
    m_link->showStored();
}

void BoundLineEdit::adaptToField()
{
    const int column = m_link->fieldIndex();
    if (column < 0)
        return;
    const Field &field = m_link->data().field(column);
    if (field.type == FieldType::Text && field.size > 0)
        setMaxLength(field.size);
    setReadOnly(field.readOnly || !m_typingAllowed);
}

void BoundLineEdit::setTypingAllowed(bool allowed)
{
    m_typingAllowed = allowed;
    setReadOnly(!allowed);
    adaptToField();
}

void BoundLineEdit::setTextAsTyped(const QString &text)
{
    setText(text);
    m_link->typed();
}

bool BoundLineEdit::event(QEvent *event)
{
    // Esc over typed text belongs to the field: it puts back this field's value, not the window's.
    if (event->type() == QEvent::ShortcutOverride && m_link->isDirty() &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void BoundLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_link->isDirty()) {
        m_link->revert();
        selectAll();
        return;
    }
    const int column = m_link->fieldIndex();
    const QString typed = event->text();
    if (column >= 0 && !typed.isEmpty() && typed.at(0).isPrint()) {
        const FieldType type = m_link->data().field(column).type;
        const QChar c = typed.at(0);
        const bool sign = c == QLatin1Char('-') || c == QLatin1Char('+');
        const bool digit = c.isDigit() && c.unicode() < 128;
        const bool refused = (type == FieldType::Integer && !digit && !sign) ||
                             (type == FieldType::Double && !digit && !sign && !isDecimalMark(c));
        if (refused) {
            QApplication::beep();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void BoundLineEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    m_link->commitOnLeaving(event->reason());
}

BoundMemo::BoundMemo(DataSet &data, const QString &column, QWidget *parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    m_link = new FieldLink(
        data, column, this, [this] { return toPlainText(); },
        [this](const QString &value) {
            m_showing = true;
            setPlainText(value);
            m_showing = false;
        });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            runGuarded(this, [this] { m_link->typed(); });
    });
    m_link->showStored();
}

bool BoundMemo::event(QEvent *event)
{
    // Esc belongs to the field, not to the window's exit button.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void BoundMemo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        m_link->showStored();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void BoundMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    m_link->commitOnLeaving(event->reason());
}

BoundChoice::BoundChoice(DataSet &data, const QString &column, const QStringList &items, QWidget *parent)
    : QComboBox(parent)
{
    m_link = new FieldLink(
        data, column, this, [this] { return currentIndex() < 0 ? QString() : currentData().toString(); },
        [this](const QString &value) {
            m_showing = true;
            setCurrentIndex(findData(value)); // -1, empty, until a value is chosen
            m_showing = false;
        });
    connect(this, &QComboBox::activated, this, [this] {
        runGuarded(this, [this] {
            m_link->typed();
            m_link->commit();
        });
    });
    std::vector<Item> same;
    for (const QString &item : items)
        same.push_back({item, item});
    setItems(same);
}

void BoundChoice::setItems(const std::vector<Item> &items)
{
    m_showing = true;
    clear();
    for (const Item &item : items)
        addItem(item.text, item.value);
    m_showing = false;
    m_link->showStored();
}

BoundLabel::BoundLabel(DataSet &data, const QString &column, QWidget *parent) : QLabel(parent)
{
    auto *link = new FieldLink(
        data, column, this, [this] { return text(); }, [this](const QString &value) { setText(value); });
    link->showStored(); // the current row at once, as the other bound editors do
}
