#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>

namespace dcf {

QColor toQColor(Color color, const QPalette &palette)
{
    if (!color.isSystem())
        return QColor(color.red(), color.green(), color.blue());
    switch (color.value()) {
    case colors::kWindowBackground.value():
        return palette.color(QPalette::Active, QPalette::Base);
    case colors::kWindowText.value():
        return palette.color(QPalette::Active, QPalette::Text);
    case colors::kButtonFace.value():
        return palette.color(QPalette::Active, QPalette::Button);
    case colors::kButtonText.value():
        return palette.color(QPalette::Active, QPalette::ButtonText);
    default:
        // A theme colour the program never uses: the window's background is the safe guess.
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

QString substituteFamily(const QString &family)
{
    if (family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    if (family.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Mono");
    return family;
}

QFont toQFont(const Font &font)
{
    const QString family = QString::fromStdString(font.family);
    QFont result;
    // The original family first, so a machine that has it uses it; the substitute has the same
    // metrics, which keeps the designed layout.
    result.setFamilies(QStringList {family, substituteFamily(family)});
    if (font.points > 0)
        result.setPointSizeF(font.points);
    result.setBold(font.bold);
    // Whole-pixel glyph advances, as the layout was designed with: fractional advances make
    // some captions a few pixels wider than their labels.
    result.setHintingPreference(QFont::PreferFullHinting);
    return result;
}

void applyApplicationLook()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
}

} // namespace dcf
