#include "windows/Forms.h"

#include "app/Placement.h"
#include "windows/main/frmAbout.h"
#include "windows/main/frmInitPallet.h"
#include "windows/main/frmMain.h"
#include "windows/palette/frmClip.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmPCX.h"

#include <QScreen>

#include <memory>

namespace {

Platform *platform = nullptr;
std::unique_ptr<frmMain> mainForm;
std::unique_ptr<frmPallet> palletForm;
std::unique_ptr<frmPCX> pcxForm;
std::unique_ptr<frmAbout> aboutForm;
std::unique_ptr<frmClip> clipForm;
std::unique_ptr<frmInitPallet> initPalletForm;

template <typename T> T &instance(std::unique_ptr<T> &slot)
{
    if (!slot)
        slot = std::make_unique<T>();
    return *slot;
}

} // namespace

Platform &ThePlatform()
{
    return *platform;
}

void SetPlatform(Platform *p)
{
    platform = p;
}

frmMain &FrmMain()
{
    return instance(mainForm);
}

frmPallet &FrmPallet()
{
    return instance(palletForm);
}

frmPCX &FrmPCX()
{
    return instance(pcxForm);
}

frmAbout &FrmAbout()
{
    return instance(aboutForm);
}

frmClip &FrmClip()
{
    return instance(clipForm);
}

frmInitPallet &FrmInitPallet()
{
    return instance(initPalletForm);
}

bool FrmAboutLoaded()
{
    return aboutForm != nullptr;
}

void UnloadFrmAbout()
{
    aboutForm.reset();
}

void UnloadAllForms()
{
    aboutForm.reset();
    clipForm.reset();
    initPalletForm.reset();
    pcxForm.reset();
    palletForm.reset();
    mainForm.reset();
}

void MoveBesideWindows(QWidget *dialog)
{
    dialog->adjustSize();
    const QSize frame = dialog->size() + FrmMain().frameGeometry().size() - FrmMain().size();
    dialog->move(PlaceBesideWindows(FrmMain().screen()->availableGeometry(),
                                    FrmPallet().frameGeometry(), FrmMain().frameGeometry(),
                                    FrmPCX().frameGeometry(), frame));
}
