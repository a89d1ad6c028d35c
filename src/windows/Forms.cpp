// The one place that creates the windows and connects what one of them
// reports to the others; the document they all observe does the rest.
#include "windows/Forms.h"

#include "app/CyclePlayer.h"
#include "app/Document.h"
#include "windows/main/frmAbout.h"
#include "windows/main/frmInitPallet.h"
#include "windows/main/frmMain.h"
#include "windows/palette/PoorShadeMarks.h"
#include "windows/palette/frmClip.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmPCX.h"

#include <QSlider>

#include <memory>

namespace {

std::unique_ptr<frmMain> mainForm;
std::unique_ptr<frmPallet> palletForm;
std::unique_ptr<frmPCX> pcxForm;
std::unique_ptr<frmAbout> aboutForm;
std::unique_ptr<frmClip> clipForm;
std::unique_ptr<frmInitPallet> initPalletForm;

void connectForm(QWidget &) {}

void connectForm(frmMain &main)
{
    QObject::connect(&main, &frmMain::zoomCommitted, &main,
                     [](int percent) { FrmPCX().SetZoom(percent); });
}

void connectForm(frmPallet &pallet)
{
    // The windows may go first (the end of the run): play ends with them.
    QObject::connect(&pallet, &QObject::destroyed, &ThePlayer(), &CyclePlayer::halt);
    AddPoorShadeMarks(pallet);
}

void connectForm(frmPCX &pcx)
{
    QObject::connect(&pcx, &frmPCX::entryHovered, &pcx, [](int id) { FrmMain().ShowEntry(id); });
    QObject::connect(&pcx, &frmPCX::entryPicked, &pcx, [&pcx](int id) {
        frmPallet &pallet = FrmPallet();
        pallet.lblColor_Click(static_cast<qint16>(id));
        pallet.repaint();
        pcx.SetMouseCursorTo(*pallet.sldColBar[0]);
    });
    QObject::connect(&pcx, &frmPCX::zoomStepped, &pcx,
                     [](int steps) { FrmMain().StepZoom(steps); });
    QObject::connect(&pcx, &frmPCX::zoomedOut, &pcx, [](int n) { FrmMain().ShowZoomOut(n); });
}

// Once, before the first window: a dialog of any of them keeps clear of all three.
void knowCompanions()
{
    static const bool known = (SetCompanions({[]() -> QWidget * { return &FrmPallet(); },
                                              []() -> QWidget * { return &FrmMain(); },
                                              []() -> QWidget * { return &FrmPCX(); }}),
                               true);
    (void)known;
}

template <typename T> T &instance(std::unique_ptr<T> &slot)
{
    if (!slot) {
        knowCompanions();
        slot = std::make_unique<T>();
        connectForm(*slot);
    }
    return *slot;
}

} // namespace

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
    TheDocument().Reset();
}
