#include "app/ui/widgetdialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace quillon {

Dialogs::Answer WidgetDialogs::message(Dialogs::Icon icon, const QString &title, const QString &text, Dialogs::Buttons buttons)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case Dialogs::Icon::None: break;
    case Dialogs::Icon::Information: qicon = QMessageBox::Information; break;
    case Dialogs::Icon::Exclamation: qicon = QMessageBox::Warning; break;
    case Dialogs::Icon::Critical: qicon = QMessageBox::Critical; break;
    case Dialogs::Icon::Question: qicon = QMessageBox::Question; break;
    }
    QMessageBox::StandardButtons qbuttons = QMessageBox::Ok;
    if (buttons == Dialogs::Buttons::YesNo)
        qbuttons = QMessageBox::Yes | QMessageBox::No;
    else if (buttons == Dialogs::Buttons::OkCancel)
        qbuttons = QMessageBox::Ok | QMessageBox::Cancel;

    QMessageBox box(qicon, title, text, qbuttons, QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Yes: return Dialogs::Answer::Yes;
    case QMessageBox::No: return Dialogs::Answer::No;
    case QMessageBox::Cancel: return Dialogs::Answer::Cancel;
    default: return Dialogs::Answer::Ok;
    }
}

std::optional<QString> WidgetDialogs::input(const QString &title, const QString &prompt, const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                               QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

} // namespace quillon
