#include "ui/messages.h"

#include "data/db_error.h"
#include "ui/look.h"
#include "ui/window.h"

#include <QMessageBox>
#include <QPushButton>

namespace messages {

namespace {

Responder &responder()
{
    static Responder current;
    return current;
}

bool ask(QWidget *parent, const Request &request)
{
    if (responder())
        return responder()(request);
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("Message"));
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    QPushButton *yes = nullptr;
    switch (request.kind) {
    case Kind::Plain:
        box.setIcon(QMessageBox::NoIcon);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        break;
    case Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        break;
    case Kind::Confirm:
        box.setIcon(QMessageBox::Question);
        yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(box.addButton(QStringLiteral("&No"), QMessageBox::NoRole));
        break;
    case Kind::ConfirmWeighty: {
        box.setIcon(QMessageBox::Warning);
        yes = box.addButton(QStringLiteral("&Ναι"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("Ό&χι"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        break;
    }
    case Kind::ConfirmDelete:
        box.setIcon(QMessageBox::Question);
        yes = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole));
        break;
    }
    const FocusReturn back(parent);
    box.exec();
    back.give();
    return yes ? box.clickedButton() == yes : true;
}

} // namespace

void plain(QWidget *parent, const QString &text)
{
    ask(parent, {Kind::Plain, look::ApplicationTitle, text});
}

bool confirmWeighty(QWidget *parent, const QString &question)
{
    return ask(parent, {Kind::ConfirmWeighty, look::ApplicationTitle, question});
}

bool confirm(QWidget *parent, const QString &question)
{
    return ask(parent, {Kind::Confirm, QStringLiteral("Confirm"), question});
}

bool confirmDelete(QWidget *parent)
{
    return ask(parent, {Kind::ConfirmDelete, QStringLiteral("Confirm"), QStringLiteral("Delete record?")});
}

QString withFullStop(const QString &text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void error(QWidget *parent, const QString &text)
{
    ask(parent, {Kind::Error, look::ApplicationTitle, withFullStop(text)});
}

namespace {

// What was typed stays in the window, so the person can store it again once the server is back.
QString serverGone(const DbError &error)
{
    return QStringLiteral("Ο διακομιστής %1 δεν απαντά· ό,τι δεν είχε αποθηκευτεί δεν αποθηκεύτηκε. "
                          "Δοκιμάστε ξανά μόλις επανέλθει ο διακομιστής.")
        .arg(error.server());
}

} // namespace

QString reason(const DbError &error)
{
    using enum DbError::Kind;
    switch (error.kind()) {
    case FileNotFound: return QStringLiteral("Το αρχείο δεδομένων δεν βρέθηκε.");
    case WrongPassword:
        return QStringLiteral("Το αρχείο δεδομένων είναι κατεστραμμένο ή δεν ανοίγει με τον κωδικό της βάσης.");
    case FileInUse:
        return QStringLiteral("Το αρχείο δεδομένων χρησιμοποιείται από άλλο πρόγραμμα και δεν ελευθερώθηκε εγκαίρως· "
                              "δοκιμάστε ξανά σε λίγο.");
    case ReadOnly: return QStringLiteral("Το αρχείο δεδομένων ή ο φάκελός του είναι μόνο για ανάγνωση.");
    case DiskFull: return QStringLiteral("Ο δίσκος είναι γεμάτος.");
    case DamagedKeyFile: return QStringLiteral("Το αρχείο δεδομένων δεν ανοίγει: κατεστραμμένο αρχείο κλειδιού.");
    case NewerVersion: return QStringLiteral("Το αρχείο δεδομένων γράφτηκε από νεότερη έκδοση του προγράμματος.");
    case MissingObject:
        return QStringLiteral("Το αρχείο δεδομένων δεν έχει όσα περιμένει το πρόγραμμα (%1).").arg(error.text());
    case ServerGone: return serverGone(error);
    default: break;
    }
    return withFullStop(error.text());
}

const QString ServerBackupNote =
    QStringLiteral("Τα δεδομένα αυτού του ιατρείου βρίσκονται στον διακομιστή. Αντίγραφο ασφαλείας τους σε "
                   "κρυπτογραφημένο αρχείο δημιουργεί η εντολή velmora-db backup, σε όποιον υπολογιστή φυλάσσονται "
                   "τα αντίγραφα.");

const QString ServerPasswordNote =
    QStringLiteral("Σε ιατρείο με διακομιστή ο κωδικός πρόσβασης είναι ο κωδικός της θέσης εργασίας στον "
                   "διακομιστή. Αλλάζει με την εντολή velmora-db password και τη διεύθυνση του διακομιστή.");

QString serverProblem(const DbError &error)
{
    using enum DbError::Kind;
    switch (error.kind()) {
    case ServerGone:
        return QStringLiteral("Δεν απαντά διακομιστής σε αυτή τη διεύθυνση και θύρα. Ελέγξτε τη διεύθυνση, τη θύρα "
                              "και ότι ο διακομιστής λειτουργεί και είναι συνδεδεμένος στο δίκτυο.");
    case ServerUntrusted:
        return QStringLiteral("Ο διακομιστής δεν αναγνωρίστηκε: το πιστοποιητικό του δεν ταιριάζει με το πιστοποιητικό "
                              "(CA) του ιατρείου ή με τη διεύθυνση που γράψατε. Η σύνδεση δεν έγινε.");
    case WrongPassword:
        return QStringLiteral("Ο διακομιστής δεν δέχτηκε τον χρήστη ή τον κωδικό πρόσβασης.");
    case FileNotFound: return QStringLiteral("Ο διακομιστής δεν έχει βάση δεδομένων με αυτό το όνομα.");
    case MissingObject:
        return QStringLiteral("Η βάση δεδομένων του διακομιστή δεν είναι βάση δεδομένων ιατρείου του προγράμματος "
                              "(δημιουργείται με την εντολή velmora-db create).");
    case NewerVersion:
        return QStringLiteral("Η βάση δεδομένων του διακομιστή γράφτηκε από νεότερη έκδοση του προγράμματος· "
                              "ενημερώστε πρώτα το πρόγραμμα σε αυτόν τον υπολογιστή.");
    default: break;
    }
    return reason(error);
}

QString inWords(const DbError &error, const QString &caption)
{
    using enum DbError::Kind;
    switch (error.kind()) {
    case ChangedElsewhere:
        return QStringLiteral("Η εγγραφή άλλαξε στο μεταξύ από άλλο παράθυρο ή άλλο αντίγραφο του προγράμματος· "
                              "δεν αποθηκεύτηκε και διαβάστηκε ξανά όπως είναι τώρα.");
    case DeletedElsewhere:
        return QStringLiteral("Η εγγραφή διαγράφηκε στο μεταξύ από άλλο παράθυρο ή άλλο αντίγραφο του προγράμματος.");
    case ServerGone: return serverGone(error);
    case Constraint: break;
    default: return error.text();
    }
    const QString field = caption.isEmpty() ? error.column() : caption;
    switch (error.rule()) {
    case DbError::Rule::Required: return QStringLiteral("Το πεδίο «%1» είναι υποχρεωτικό.").arg(field);
    case DbError::Rule::Length:
        return QStringLiteral("Το κείμενο είναι μεγαλύτερο από όσο χωρά το πεδίο «%1».").arg(field);
    case DbError::Rule::Date: return QStringLiteral("Το πεδίο «%1» δεν έχει έγκυρη ημερομηνία.").arg(field);
    case DbError::Rule::Number: return QStringLiteral("Το πεδίο «%1» δεν έχει έγκυρο αριθμό.").arg(field);
    default: return error.text();
    }
}

void setResponder(Responder r)
{
    responder() = std::move(r);
}

} // namespace messages
