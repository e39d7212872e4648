#include "netfeatures/rpop_window.h"
#include "ui_rpop_window.h"

#include "windowset/main_window_link.h"
#include "toolkit/core/codepage.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"
#include "toolkit/widgets/window_style.h"

#include <QLabel>
#include <QProxyStyle>

namespace {

// The password box shows each character as '*', whatever the style's own
// mask character is.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TForm13::TForm13(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm13>())
{
    ui->setupUi(this);
    toolkit::setFixedSingleBorder(*this);

    setFont(toolkit::formFont());
    // The labels stand right-aligned before their boxes; where this system's
    // font runs wider than the layout's, they grow to the left.
    for (QLabel *label : {ui->Label2, ui->Label3, ui->Label4, ui->Label5, ui->Label6}) {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int wanted = label->sizeHint().width();
        if (wanted > label->width()) {
            const QRect box = label->geometry();
            label->setGeometry(box.right() + 1 - wanted, box.top(), wanted, box.height());
        }
    }
    QFont heading = ui->Label1->font();
    heading.setPixelSize(19);
    ui->Label1->setFont(heading);

    auto *style = new StarPasswordStyle;
    style->setParent(this); // outlives the box, which is destroyed first
    ui->pass->setStyle(style);

    connect(ui->Button1, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button1Click(); }));
    connect(ui->SpeedButton1, &QToolButton::clicked, this, toolkit::guard([this](bool) { SpeedButton1Click(); }));
}

TForm13::~TForm13() = default;

QString TForm13::requestAddress() const
{
    // Nothing is trimmed, checked or escaped: an empty box is an empty piece.
    return ui->serv->text() + QStringLiteral("/user=") + ui->anv->text() + QStringLiteral(";pass=") + ui->pass->text()
           + QStringLiteral(";action=") + ui->act->text() + QStringLiteral(";") + ui->msg->text();
}

void TForm13::Button1Click()
{
    m_forms.Form2->setAddressText(requestAddress());
    m_forms.Form2->Button1Click();
    hide();
}

void TForm13::SpeedButton1Click()
{
    // The accent after "don" is the code page's byte 0xB4.
    toolkit::showMessage(toolkit::fromSingleByte(
        "rPOP is a beta feature of Kestrelon, if you don\xB4t knov what it is, you will probably not need this feature!"));
}
