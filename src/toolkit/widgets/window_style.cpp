#include "toolkit/widgets/window_style.h"

#include <QWidget>

namespace toolkit {

void setFixedSingleBorder(QWidget &window)
{
    window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window.setFixedSize(window.size());
}

QFont formFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

} // namespace toolkit
