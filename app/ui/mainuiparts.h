#pragma once

// Builders shared by the pages of the main window: each makes one control,
// names it and gives it the house look.

#include <QPixmap>
#include <QString>
#include <QtGlobal>

class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace quillon {

class OrbLabel;
class XButton;

namespace mainui {

// "name_index", the objectName of a member of a control array.
QString arrayName(const char *name, int index);

XButton *button(QWidget *parent, const QString &name, const QString &caption, const QString &tip = {});
QLabel *label(QWidget *parent, const QString &name, const QString &text, const QString &tip = {});
// A heading in bold (a group's title where no box is drawn).
QLabel *heading(QWidget *parent, const QString &text);
QCheckBox *check(QWidget *parent, const QString &name, const QString &caption, bool checked, const QString &tip = {});
// chars > 0 fixes the box to about that many characters.
QLineEdit *edit(QWidget *parent, const QString &name, const QString &text, int chars = 0, const QString &tip = {});
QPlainTextEdit *textBox(QWidget *parent, const QString &name, bool monospace, bool readOnly);
// A shaded value panel.
OrbLabel *value(QWidget *parent, const QString &name, const QString &text, int minChars = 10);
// A small shape filled with a colour (red in the low byte).
QFrame *shape(QWidget *parent, const QString &name, quint32 colour, int size);
QLabel *picture(QWidget *parent, const QString &name, const QPixmap &pixmap, const QString &tip = {});
QGroupBox *group(QWidget *parent, const QString &title);
// The stand-in for a chart until the chart control takes its place.
QWidget *chart(QWidget *parent, const QString &name, const QString &title);

// Every whole-number setting's box under root starts at the settings table's
// default and takes only digits within the table's range; a box left blank or
// out of range gets the default back when it loses focus.
void applySettingRanges(QWidget *root);

// The page background, so pictures blend into it.
QColor pageColour();

} // namespace mainui
} // namespace quillon
