#include "ui/guarded.h"

#include "data/db_error.h"
#include "ui/bound_fields.h"
#include "ui/messages.h"

#include <QWidget>

bool runGuarded(QWidget *where, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &error) {
        showError(where, error);
    }
    return false;
}

void showError(QWidget *where, const std::exception &error)
{
    QWidget *window = where ? where->window() : nullptr;
    if (const auto *dataError = dynamic_cast<const DbError *>(&error))
        messages::error(window, refusalInWords(*dataError, window));
    else
        messages::error(window, QString::fromLocal8Bit(error.what()));
}
