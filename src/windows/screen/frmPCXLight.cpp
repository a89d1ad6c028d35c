// The screen window's light: the level slider, its menu items and the shade table view.
#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "model/EntryList.h"
#include "model/ScrollMath.h"
#include "platform/Platform.h"
#include "windows/kit/WindowKit.h"
#include "windows/screen/DrawPcxImage.h"
#include "windows/screen/frmPCX.h"
#include "windows/screen/frmShadeTable.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSlider>

using namespace mdlGlobal;

namespace {

constexpr int kLightSliderWidth = 120;
constexpr int kLightLabelWidth = 64;

LightView &Light()
{
    return TheDocument().Light();
}

} // namespace

void frmPCX::makeLightSlider()
{
    sldLight = new QSlider(Qt::Horizontal, this);
    sldLight->setObjectName(QStringLiteral("sldLight"));
    lblLight = new QLabel(this);
    SetBackground(lblLight, Qt::black);
    lblLight->setStyleSheet(QStringLiteral("color: white"));
    sldLight->hide();
    lblLight->hide();
    const auto follow = [this] {
        const QSignalBlocker quiet(sldLight);
        sldLight->setRange(0, Light().Levels() - 1);
        sldLight->setValue(Light().Level());
        lblLight->setText(Catalog.LightLevelShown.arg(Light().Level()));
        if (mdlGlobal::PcxImage.isLoaded())
            DrawPcxImage();
    };
    connect(&Light(), &LightView::changed, this, follow);
    connect(sldLight, &QSlider::valueChanged, this, [](int level) { Light().SetLevel(level); });
    // As in a conversion, no shade falls on a reserved entry.
    connect(&TheDocument(), &Document::marksChanged, this, [] {
        ShadeSettings s = Light().Settings();
        s.reserved = TheDocument().Marks().reserved;
        if (s.reserved != Light().Settings().reserved)
            Light().SetSettings(s);
    });
    follow();
}

int frmPCX::lightSliderWidth() const
{
    return LightSliderShown() ? kLightSliderWidth + kLightLabelWidth : 0;
}

void frmPCX::placeLightSlider()
{
    const int y = innerHeight() - kScrollBarThickness;
    lblLight->setGeometry(0, y, kLightLabelWidth, kScrollBarThickness);
    sldLight->setGeometry(kLightLabelWidth, y, kLightSliderWidth, kScrollBarThickness);
    lblLight->raise();
    sldLight->raise();
}

bool frmPCX::LightSliderShown() const
{
    return sldLight && !sldLight->isHidden();
}

void frmPCX::ShowLightSlider(bool shown)
{
    sldLight->setVisible(shown);
    lblLight->setVisible(shown);
    // Away from the slider the picture is seen in full light, as before it was shown.
    if (!shown)
        Light().SetLevel(0);
    intScr();
}

frmShadeTable &frmPCX::ShadeTable()
{
    if (!shadeTable)
        shadeTable = new frmShadeTable(this);
    return *shadeTable;
}

void frmPCX::addLightMenu(QMenu &menu)
{
    QAction *slider = menu.addAction(Catalog.MenuLightSlider);
    slider->setCheckable(true);
    slider->setChecked(LightSliderShown());
    connect(slider, &QAction::toggled, this, &frmPCX::ShowLightSlider);
    menu.addAction(Catalog.MenuShadeTable, this, [this] {
        frmShadeTable &view = ShadeTable();
        view.show();
        view.raise();
    });
    QMenu *settings = menu.addMenu(Catalog.MenuLightSettings);
    auto *levels = new QActionGroup(settings);
    for (int n : {16, 32, 64}) {
        QAction *a = settings->addAction(Catalog.MenuLightLevels.arg(n), this, [n] {
            ShadeSettings s = Light().Settings();
            s.levels = n;
            Light().SetSettings(s);
        });
        a->setCheckable(true);
        a->setChecked(Light().Settings().levels == n);
        levels->addAction(a);
    }
    settings->addSeparator();
    auto *match = new QActionGroup(settings);
    for (TableMatch m : {TableMatch::Oklab, TableMatch::Classic}) {
        QAction *a = settings->addAction(
            m == TableMatch::Oklab ? Catalog.MenuLightOklab : Catalog.MenuLightClassic, this, [m] {
                ShadeSettings s = Light().Settings();
                s.match = m;
                Light().SetSettings(s);
            });
        a->setCheckable(true);
        a->setChecked(Light().Settings().match == m);
        match->addAction(a);
    }
    settings->addSeparator();
    settings->addAction(Catalog.MenuLightFade, this, [this] {
        const Rgb8 f = Light().Settings().fade;
        const std::optional<QColor> chosen = ThePlatform().pickColor(
            this, Catalog.MenuLightFade, QColor(f.r, f.g, f.b), [](const QColor &) {}, {});
        if (!chosen)
            return;
        ShadeSettings s = Light().Settings();
        s.fade = {std::uint8_t(chosen->red()), std::uint8_t(chosen->green()),
                  std::uint8_t(chosen->blue())};
        Light().SetSettings(s);
    });
    settings->addAction(Catalog.MenuLightFullbright, this, &frmPCX::AskFullbright);
}

void frmPCX::AskFullbright()
{
    const std::optional<QString> text = ThePlatform().askText(
        this, WithoutAccelerator(Catalog.MenuLightFullbright).remove(u'.').remove(u'…'),
        Catalog.PromptFullbright, FormatEntryList(Light().Settings().fullbright));
    if (!text)
        return;
    const EntryListRead read = ParseEntryList(*text);
    if (!read.ok()) {
        ThePlatform().messageBox(this, Catalog.MsgFullbrightBad.arg(text->trimmed()),
                                 Platform::Buttons::Ok);
        return;
    }
    ShadeSettings s = Light().Settings();
    s.fullbright = read.entries;
    Light().SetSettings(s);
}
