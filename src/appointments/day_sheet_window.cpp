#include "appointments/day_sheet_window.h"

#include "ui/bound_fields.h"
#include "ui/navigator_bar.h"
#include "data/db_error.h"
#include "data/regional.h"
#include "data/schema.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

QString slotCaption(const QString &column)
{
    return column.mid(0, 2) + QLatin1Char(':') + column.mid(2, 2) + QStringLiteral(" - ") + column.mid(5, 2) +
           QLatin1Char(':') + column.mid(7, 2);
}

DaySheetWindow::DaySheetWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("TForm2a"), QStringLiteral("Αναλυτική κατάσταση των ραντεβού"), parent)
{
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("Label1"));
    m_header->setAlignment(Qt::AlignCenter);
    m_header->setStyleSheet(QStringLiteral("QLabel { color: blue; font-size: 24px; font-weight: bold; }"));

    // The 28 slots, generated from the columns: 1-14 on the left, 15-28 on the right.
    auto *slotsPanel = new QWidget;
    auto *grid = new QGridLayout(slotsPanel);
    grid->setHorizontalSpacing(12);
    const QStringList columns = schema::appointmentSlots();
    for (int i = 0; i < columns.size(); ++i) {
        auto *field = new BoundLineEdit(m_data, columns[i], slotsPanel);
        field->setObjectName(QStringLiteral("DBEdit%1").arg(i + 1));
        field->setFrame(false);
        field->setFixedWidth(217);
        field->setStyleSheet(QStringLiteral("QLineEdit { color: red; background: white; font-weight: bold; }"));
        auto *caption = look::caption(slotCaption(columns[i]), field, slotsPanel);
        caption->setFrameShape(QFrame::Panel);
        caption->setFrameShadow(QFrame::Raised);
        caption->setAlignment(Qt::AlignCenter);
        caption->setMinimumWidth(caption->sizeHint().width() + 12);
        const int column = (i / 14) * 2, row = i % 14;
        grid->addWidget(caption, row, column);
        grid->addWidget(field, row, column + 1);
        m_slots << field;
    }
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(slotsPanel);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(slotsPanel->sizeHint().width() + 24, 420);
    look::paint(slotsPanel);

    m_offerNote = look::note(QString(), this);
    m_offerNote->setObjectName(QStringLiteral("OfferNote"));
    m_offerNote->setWordWrap(true);
    m_offerNote->hide();

    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, this, false);
    QPushButton *exit = look::exitButton(this);
    exit->setObjectName(QStringLiteral("Button29"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(m_offerNote);
    layout->addWidget(scroll, 1);
    layout->addLayout(look::spreadRow({navigator}, {exit}));

    // Another seat's booking shows at once; what is being typed here is never read over (its
    // store is refused instead, should the other seat have changed the same day meanwhile).
    refreshRowsOnChanges(QStringLiteral("RANTEBOU"), [this] { closeSlotsWithoutRow(); });
}

void DaySheetWindow::closeSlotsWithoutRow()
{
    // Without the day's row the slots stay empty and closed to typing: a row without its
    // date could never be stored.
    for (BoundLineEdit *slot : std::as_const(m_slots))
        slot->setReadOnly(m_data.isEmpty());
}

void addDayRow(Connection &connection, QDate day)
{
    const ScopedConnection open(connection);
    Command insert(connection);
    insert.setText(QStringLiteral("INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(?)"), {day});
    try {
        insert.execute();
    } catch (const DbError &error) {
        if (error.kind() != DbError::Kind::Constraint)
            throw; // a busy or full file is told, not taken for a day that has its row
    }
}

void DaySheetWindow::openDay(const QString &dateText, QDate day)
{
    m_day = day;
    m_header->setText(dateText);
    openQuery(QStringLiteral("SELECT * FROM RANTEBOU WHERE HMEROMHNIA=?"), {day});
    closeSlotsWithoutRow();
    if (!m_slots.isEmpty())
        m_slots.first()->setFocus();
}

// An offered text is where typing goes on, in the slot it stands in.
QWidget *DaySheetWindow::firstField()
{
    return m_offeredSlot >= 0 ? m_slots[m_offeredSlot] : RecordWindow::firstField();
}

void DaySheetWindow::book(QDate day, const QString &text, QWidget *parent)
{
    DaySheetWindow sheet(parent);
    addDayRow(sheet.m_connection, day);
    sheet.openDay(Regional::current().formatDate(day), day);
    sheet.offer(text);
    sheet.exec();
}

void DaySheetWindow::offer(const QString &text)
{
    m_offered = text;
    const auto keys = [this](QKeyCombination key, auto move, int step) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                guarded([this, move, step] { (this->*move)(step); }));
    };
    keys(Qt::ALT | Qt::Key_Down, &DaySheetWindow::moveOfferToSlot, 1);
    keys(Qt::ALT | Qt::Key_Up, &DaySheetWindow::moveOfferToSlot, -1);
    keys(Qt::ALT | Qt::Key_PageDown, &DaySheetWindow::moveOfferToDay, 1);
    keys(Qt::ALT | Qt::Key_PageUp, &DaySheetWindow::moveOfferToDay, -1);
    m_offeredSlot = -1;
    moveOfferToSlot(1);
    connect(&m_data, &DataSet::posted, this, [this] {
        if (m_offeredSlot >= 0)
            m_offerNote->setText(QStringLiteral("Το ραντεβού αποθηκεύτηκε: %1, %2.")
                                     .arg(m_header->text(), slotCaption(schema::appointmentSlots()[m_offeredSlot]).left(5)));
    });
}

// The offered text goes to the next free slot after (or before) the one it stands in; at the
// end of the day it stays where it is.
void DaySheetWindow::moveOfferToSlot(int step)
{
    if (m_data.isEmpty())
        return;
    for (int slot = m_offeredSlot + step; slot >= 0 && slot < m_slots.size(); slot += step) {
        if (!m_slots[slot]->text().trimmed().isEmpty())
            continue;
        if (m_offeredSlot >= 0)
            m_slots[m_offeredSlot]->setTextAsTyped(QString());
        m_offeredSlot = slot;
        m_slots[slot]->setTextAsTyped(m_offered);
        m_slots[slot]->setCursorPosition(0); // the name shows, not the end of the line
        m_slots[slot]->setFocus();
        break;
    }
    showOffer();
}

// The next or previous day's sheet, with the text in its first free slot; what else was typed
// on the day left is stored there.
void DaySheetWindow::moveOfferToDay(int step)
{
    if (m_offeredSlot >= 0)
        m_slots[m_offeredSlot]->setTextAsTyped(QString());
    if (m_data.isModified())
        m_data.post();
    const QDate day = m_day.addDays(step);
    addDayRow(m_connection, day);
    openDay(Regional::current().formatDate(day), day);
    m_offeredSlot = -1;
    moveOfferToSlot(1);
}

void DaySheetWindow::showOffer()
{
    const QString where = m_offeredSlot < 0 ? QStringLiteral("Η μέρα δεν έχει ελεύθερη ώρα.")
                                            : QStringLiteral("Μπήκε στις %1.")
                                                  .arg(slotCaption(schema::appointmentSlots()[m_offeredSlot]).left(5));
    m_offerNote->setText(QStringLiteral("Ραντεβού: %1. %2 Alt+↓/Alt+↑: άλλη ώρα, Alt+PgDn/Alt+PgUp: άλλη μέρα, "
                                        "Ctrl+S: αποθήκευση, Esc: ακύρωση.")
                             .arg(m_offered, where));
    m_offerNote->show();
}
