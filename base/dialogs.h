#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quillon {

// Message and input boxes go through this seam. The GUI installs a handler
// that shows real boxes; tests install one that records the question and
// answers at once, so no test ever blocks on a modal box.
class Dialogs final
{
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, YesNo, OkCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    struct Handler
    {
        virtual ~Handler() = default;
        virtual Answer message(Icon icon, const QString &title, const QString &text, Buttons buttons) = 0;
        // Empty optional: the user cancelled.
        virtual std::optional<QString> input(const QString &title, const QString &prompt, const QString &initial) = 0;
    };

    static Answer message(Icon icon, const QString &title, const QString &text, Buttons buttons = Buttons::Ok);
    static std::optional<QString> input(const QString &title, const QString &prompt, const QString &initial = {});

    // The handler is not owned. nullptr restores the headless default, which
    // writes the message to stderr and answers Ok/No/cancel.
    static void setHandler(Handler *handler);
    static Handler *handler();
};

// A handler for tests: records every box and answers from a queue
// (default: Ok for Ok boxes, No for Yes/No boxes, cancel for inputs).
class ScriptedDialogs final : public Dialogs::Handler
{
public:
    struct Shown
    {
        Dialogs::Icon icon;
        QString title;
        QString text;
        Dialogs::Buttons buttons;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    Dialogs::Answer message(Dialogs::Icon icon, const QString &title, const QString &text, Dialogs::Buttons buttons) override;
    std::optional<QString> input(const QString &title, const QString &prompt, const QString &initial) override;

    void queueAnswer(Dialogs::Answer a) { m_answers.push_back(a); }
    void queueInput(std::optional<QString> text) { m_inputs.push_back(std::move(text)); }

    QList<Shown> shown;
    QStringList prompts;

private:
    QList<Dialogs::Answer> m_answers;
    QList<std::optional<QString>> m_inputs;
    Dialogs::Handler *m_previous = nullptr;
};

} // namespace quillon
