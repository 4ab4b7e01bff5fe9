#include "base/dialogs.h"

#include <cstdio>

namespace quillon {

namespace {

class HeadlessDialogs final : public Dialogs::Handler
{
public:
    Dialogs::Answer message(Dialogs::Icon, const QString &title, const QString &text, Dialogs::Buttons buttons) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::No
             : buttons == Dialogs::Buttons::OkCancel ? Dialogs::Answer::Cancel
                                                     : Dialogs::Answer::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return std::nullopt; }
};

HeadlessDialogs g_headless;
Dialogs::Handler *g_handler = nullptr;

} // namespace

Dialogs::Answer Dialogs::message(Icon icon, const QString &title, const QString &text, Buttons buttons)
{
    return handler()->message(icon, title, text, buttons);
}

std::optional<QString> Dialogs::input(const QString &title, const QString &prompt, const QString &initial)
{
    return handler()->input(title, prompt, initial);
}

void Dialogs::setHandler(Handler *h)
{
    g_handler = h;
}

Dialogs::Handler *Dialogs::handler()
{
    return g_handler ? g_handler : &g_headless;
}

ScriptedDialogs::ScriptedDialogs()
    : m_previous(Dialogs::handler())
{
    Dialogs::setHandler(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::setHandler(m_previous == &g_headless ? nullptr : m_previous);
}

Dialogs::Answer ScriptedDialogs::message(Dialogs::Icon icon, const QString &title, const QString &text, Dialogs::Buttons buttons)
{
    shown.push_back({icon, title, text, buttons});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::No : Dialogs::Answer::Ok;
}

std::optional<QString> ScriptedDialogs::input(const QString &, const QString &prompt, const QString &)
{
    prompts.push_back(prompt);
    if (!m_inputs.isEmpty())
        return m_inputs.takeFirst();
    return std::nullopt;
}

} // namespace quillon
