#pragma once

#include "base/dialogs.h"

namespace quillon {

// Real message and input boxes for the running program.
class WidgetDialogs final : public Dialogs::Handler
{
public:
    Dialogs::Answer message(Dialogs::Icon icon, const QString &title, const QString &text, Dialogs::Buttons buttons) override;
    std::optional<QString> input(const QString &title, const QString &prompt, const QString &initial) override;
};

} // namespace quillon
