#include "app/ui/mainuiparts.h"

#include "app/ui/mainui.h"

#include "base/settingstable.h"
#include "controls/ui/colours.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QValidator>

namespace quillon::mainui {

namespace {

// House palette (red in the low byte).
constexpr quint32 kInk = 0x442A1F;         // 31, 42, 68
constexpr quint32 kButtonFace = 0xFCFAF8;  // 248, 250, 252
constexpr quint32 kButtonEdge = 0xBBAA94;  // 148, 170, 187
constexpr quint32 kValueLight = 0xFFFFFF;
constexpr quint32 kValueShade = 0xF0E8E2;  // 226, 232, 240
constexpr quint32 kValueEdge = 0xE1D5CB;   // 203, 213, 225

// Out of range is only intermediate, so that "1" may still grow into "10".
class WholeSettingValidator final : public QValidator
{
public:
    WholeSettingValidator(const SettingRow &row, QObject *parent)
        : QValidator(parent)
        , m_row(row)
        , m_maxDigits(int(QString::number(row.maximum).size()))
    {
    }
    Q_DISABLE_COPY_MOVE(WholeSettingValidator)

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Intermediate;
        if (input.size() > m_maxDigits)
            return Invalid;
        for (const QChar c : std::as_const(input)) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        }
        return isValidSetting(m_row, input) ? Acceptable : Intermediate;
    }

    void fixup(QString &input) const override { input = validSetting(m_row, input); }

private:
    SettingRow m_row;
    int m_maxDigits;
};

} // namespace

void applySettingRanges(QWidget *root)
{
    for (const SettingRow &row : settingsTable()) {
        if (!row.isWholeNumber())
            continue;
        if (auto *box = root->findChild<QLineEdit *>(row.control)) {
            box->setValidator(new WholeSettingValidator(row, box));
            box->setText(row.defaultValue);
        } else if (auto *bar = root->findChild<QScrollBar *>(row.control)) {
            bar->setRange(row.minimum, row.maximum);
            bar->setValue(row.defaultValue.toInt());
        }
    }
}

QString arrayName(const char *name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QColor pageColour()
{
    return Qt::white;
}

XButton *button(QWidget *parent, const QString &name, const QString &caption, const QString &tip)
{
    auto *b = new XButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setFontColor(kInk);
    b->setFillColor(kButtonFace);
    b->setBackColor(fromQColor(pageColour()));
    b->setBorderStyle(1);
    b->setBorderColor(kButtonEdge);
    b->setRoundCorner(true);
    b->setRoundAmount(5);
    return b;
}

QLabel *label(QWidget *parent, const QString &name, const QString &text, const QString &tip)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setToolTip(tip);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLabel *heading(QWidget *parent, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QCheckBox *check(QWidget *parent, const QString &name, const QString &caption, bool checked, const QString &tip)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setToolTip(tip);
    c->setChecked(checked);
    return c;
}

QLineEdit *edit(QWidget *parent, const QString &name, const QString &text, int chars, const QString &tip)
{
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setToolTip(tip);
    if (chars > 0) {
        const int w = e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 16;
        e->setFixedWidth(w);
    }
    return e;
}

QPlainTextEdit *textBox(QWidget *parent, const QString &name, bool monospace, bool readOnly)
{
    auto *t = new QPlainTextEdit(parent);
    t->setObjectName(name);
    t->setReadOnly(readOnly);
    t->setLineWrapMode(monospace ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    if (monospace)
        t->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return t;
}

OrbLabel *value(QWidget *parent, const QString &name, const QString &text, int minChars)
{
    auto *v = new OrbLabel(text, parent);
    v->setObjectName(name);
    v->setTextColour(kInk);
    v->setLightColour(kValueLight);
    v->setShadeColour(kValueShade);
    v->setDrawBorder(true);
    v->setBorderColour(kValueEdge);
    v->setAlignment(2);
    v->setResolution(32);
    v->setMinimumWidth(v->fontMetrics().horizontalAdvance(QLatin1Char('0')) * minChars + 12);
    v->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return v;
}

QFrame *shape(QWidget *parent, const QString &name, quint32 colour, int size)
{
    auto *s = new QFrame(parent);
    s->setObjectName(name);
    s->setFixedSize(size, size);
    s->setAutoFillBackground(true);
    s->setFrameShape(QFrame::Box);
    s->setLineWidth(1);
    QPalette pal = s->palette();
    pal.setColor(QPalette::WindowText, QColor(0x64, 0x74, 0x8B)); // the outline
    s->setPalette(pal);
    setShapeFillColour(s, colour);
    return s;
}

QLabel *picture(QWidget *parent, const QString &name, const QPixmap &pixmap, const QString &tip)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setPixmap(pixmap);
    l->setToolTip(tip);
    l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return l;
}

QGroupBox *group(QWidget *parent, const QString &title)
{
    auto *g = new QGroupBox(title, parent);
    // A style sheet, not a font: a group box's font would pass to its children.
    g->setStyleSheet(QStringLiteral("QGroupBox { font-weight: bold; }"));
    return g;
}

QWidget *chart(QWidget *parent, const QString &name, const QString &title)
{
    auto *c = new QFrame(parent);
    c->setObjectName(name);
    c->setProperty("Title", title);
    c->setToolTip(title);
    c->setAutoFillBackground(true);
    QPalette pal = c->palette();
    pal.setColor(QPalette::Window, QColor(0x0F, 0x17, 0x2A));
    c->setPalette(pal);
    c->setMinimumSize(160, 110);
    c->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return c;
}

} // namespace quillon::mainui
