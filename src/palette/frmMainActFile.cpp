// The "Act File" commands of the main window.
#include "palette/ActFile.h"
#include "palette/LoadActFile.h"
#include "palette/frmInitPallet.h"
#include "palette_window/frmPallet.h"
#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"

#include <QLabel>

using namespace mdlGlobal;

void frmMain::cmdActNew_Click()
{
    FrmInitPallet().exec();
    if (InitCancel == kTrue)
        return;
    FrmPallet().initPallet(InitColorR, InitColorG, InitColorB);
}

void frmMain::cmdActOpen_Click()
{
    const auto path = ThePlatform().openFileDialog(
        this, {QStringLiteral("Select Act File"), QStringLiteral("Act Files (*.act)|*.act|"),
               QStringLiteral("USER.act"), false});
    if (!path)
        return;
    // The name is shown only once the file could be read.
    if (LoadActFile(*path))
        FrmPallet().lblFName->setText(*path);
}

void frmMain::cmdActSave_Click()
{
    QLabel *fileName = FrmPallet().lblFName;
    const QString current = fileName->text();
    const QString defaultName =
        current == frmPallet::kNoFile ? QStringLiteral("user.act") : current;
    const auto path = ThePlatform().saveFileDialog(this, {QStringLiteral("Act File Save"),
                                                          QStringLiteral("Act Files(*.act)|*.act|"),
                                                          defaultName, true});
    if (!path)
        return;
    const ActSaveResult saved = SaveActFile(*path, Pallet);
    if (!saved.ok) {
        ThePlatform().messageBox(this,
                                 QStringLiteral("ACT ファイルを保存できません。\n") + saved.error,
                                 Platform::Buttons::Ok);
        return;
    }
    fileName->setText(*path);
}
