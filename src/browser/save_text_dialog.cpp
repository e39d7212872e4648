#include "browser/save_text_dialog.h"
#include "ui_save_text_dialog.h"

#include "browser/browser_window.h"
#include "browser/text_pane.h"
#include "toolkit/core/exceptions.h"
#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"
#include "toolkit/widgets/window_style.h"

#include <QKeyEvent>

TForm12::TForm12(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm12>())
{
    ui->setupUi(this);
    toolkit::setFixedSingleBorder(*this);
    move(324, 179);
    ui->Edit1->installEventFilter(this);
    connect(ui->Button1, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button1Click(); }));
}

TForm12::~TForm12() = default;

bool TForm12::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Edit1) {
        // Only the release of a key pressed here: the Enter that closes the
        // "Cannot create file" box is pressed in the box and released here,
        // and saving again on it would show the box again, endlessly.
        if (const int key = m_keys.completedBy(event))
            toolkit::guarded([this, key] { Edit1KeyUp(key); });
    }
    return QWidget::eventFilter(watched, event);
}

void TForm12::Edit1KeyUp(int key)
{
    // Key code 13: both Enter keys.
    if (toolkit::isEnterKey(key))
        Button1Click();
}

void TForm12::Button1Click()
{
    // The name as typed; a relative one resolves in the current folder.
    const QString name = ui->Edit1->text();
    // Replaces any file of that name. The new text reaches the name in one
    //    rename, so a failed save never leaves the old file half-written.
    const QByteArray bytes = m_forms.Form1->paneFileBytes();
    try {
        if (name.isEmpty())
            throw EFCreateError(QString());
        toolkit::replaceFileAtomically(toolkit::resolvePath(name), bytes);
    } catch (const Exception &) {
        // The window stays open, so the name can be corrected.
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(name));
    }
    toolkit::showMessage(QStringLiteral("File saved as: ") + name);
    hide();
}
