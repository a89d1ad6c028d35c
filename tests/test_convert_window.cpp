#include "base/FileBytes.h"
#include "formats/PcxReader.h"
#include "model/Contrast.h"
#include "support/WindowSteps.h"
#include "windows/main/LoadPcxFile.h"
#include "windows/main/OpenFiles.h"
#include "windows/screen/DrawPcxImage.h"
#include "windows/screen/frmConvert.h"

// Converting: the picture (size, the red shown at (0,0) and (3,1), stored values there), the
// scroll bars, the entries changed, the undo steps; notes (each dialog's first target).
QString Shown()
{
    return Join(Px(0, 0), Px(3, 1), S().scrlH->value(), S().scrlV->value());
}
QString Converted()
{
    const ::PcxImage &p = mdlGlobal::PcxImage;
    return Join(notes.join(' '), Msgs(), p.width(), p.height(), Shown(), p.at(0, 0), p.at(3, 1),
                Changed(), P().History().stack().index());
}
frmConvert *ConvertDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<frmConvert *>(w); d && d->isVisible())
            return d;
    return nullptr;
}
// Runs `act` on the Convert dialog once it shows (the picture is read first), and waits for an
// OK that waits for the result; one left open is noted and cancelled.
void ActOnConvert(void (*act)(frmConvert &), int tries = 500)
{
    QTimer::singleShot(10, [act, tries] {
        frmConvert *d = ConvertDialog();
        if (!d)
            return tries > 0 ? ActOnConvert(act, tries - 1) : void();
        Note(QString::number(d->cboTarget->currentIndex())), act(*d);
        QTRY_VERIFY_WITH_TIMEOUT(!d->AcceptPending(), 20000);
        if (d->isVisible())
            notes << "open", d->reject();
    });
}
void OnConvert(void (*open)(), void (*act)(frmConvert &))
{
    ActOnConvert(act), open();
}
// A 4 x 2 truecolour picture: red at (0,0), the rest blue.
const auto OpenTrueColour = [] {
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 255)), picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.save(dir->filePath("tc.png"));
    Open(M().cmdPcxOpen, dir->filePath("tc.png"));
};
const auto Ok = [](frmConvert &d) { d.accept(); };
const auto Undo = [] { P().History().stack().undo(); };
const Table kConvert = {
    // No palette file: a new palette of its colours, here at 254..255; undone, palette and
    // start picture come back, drawn through that palette; redone, the conversion.
    {[] {
         OnConvert(OpenTrueColour, [](frmConvert &d) { d.spnFirst->setValue(254), d.accept(); });
         Note(Shown()), Undo();
         Note(Join(mdlGlobal::PcxImage.width(), Shown(), Changed())), P().History().stack().redo();
     },
     "1 255 0 0 0 1 87 0 0 0   4 2 255 0 0 0 0 1 254-255 2"},
    // The ranges of the picture shown hold back nothing of a new one, which brings none;
    // converted again, the whole palette's colours go past 0..1 turning.
    {[] {
         Cycles = {{0, 1, 1.0, false, true}};
         OnConvert(OpenTrueColour, Ok), Note(Join(Converted(), int(Cycles.size())));
         Cycles = {{0, 1, 1.0, false, true}};
         OnConvert([] { S().mnuConvert_Click(); },
                   [](frmConvert &d) {
                       d.cboTarget->setCurrentIndex(0), d.cboDither->setCurrentIndex(0);
                       d.accept();
                   });
     },
     "1 1  4 2 255 0 0 0 254 255 0-1 2 0 1  4 2 251 79 0 0 40 96 0-1 3"},
    {[] { // an undone conversion of a new picture gives the shown one's ranges back
         Cycles = {{5, 6, 1.0, false, true}}, OnConvert(OpenTrueColour, Ok);
         Note(QString::number(Cycles.size())), Undo(), Note(QString::number(Cycles.size()));
         P().History().stack().redo(), Note(QString::number(Cycles.size()));
     },
     "1 0 1 0  4 2 255 0 0 0 254 255 0-1 2"},
    {[] { // a PCX brings no ranges; a conversion cancelled gives the shown picture's back
         Cycles = {{5, 6, 1.0, false, true}}, OpenPcx("big"), Scroll(20, 15);
         Note(Join(Shown(), int(Cycles.size()))), Cycles = {{5, 6, 1.0, false, true}};
         OnConvert(OpenTrueColour, [](frmConvert &d) { d.reject(); });
         Note(QString::number(Cycles.size()));
     },
     "79 113 20 15 0 1 1  400 300 79 113 20 15 0 34 0-255 2"},
    // Onto an opened palette, its entries 3..4 only.
    {[] {
         Act(768), OnConvert(OpenTrueColour, [](frmConvert &d) {
             d.cboTarget->setCurrentIndex(2), d.spnFirst->setValue(3), d.spnLast->setValue(4);
             d.cboDither->setCurrentIndex(0), d.accept();
         });
     },
     "0  4 2 90 69 0 0 251 252 0-255 3"},
    // The picture as shown, previewed and cancelled, then kept: it looks the same.
    {[] {
         OpenPcx("small"), Note(Shown());
         OnConvert([] { S().mnuConvert_Click(); },
                   [](frmConvert &d) {
                       d.cboTarget->setCurrentIndex(2), d.spnLast->setValue(0), d.preview(),
                           Note(Shown()), d.reject();
                   });
         OnConvert([] { S().mnuConvert_Click(); },
                   [](frmConvert &d) { d.cboTarget->setCurrentIndex(1), d.accept(); });
     },
     "0 202 0 0 1 255 255 0 0 2  8 6 0 202 0 0 227 248 0-255 3"},
    // A large picture: the visible part of a change first (stored 255 at (0,0) is out of view).
    {[] {
         OpenPcx("big"), Scroll(20, 15), Note(Shown());
         OnConvert([] { S().mnuConvert_Click(); },
                   [](frmConvert &d) {
                       d.cboTarget->setCurrentIndex(2), d.spnLast->setValue(0), d.preview();
                       d.quickAbove = 0, d.cboTarget->setCurrentIndex(0),
                       d.cboDither->setCurrentIndex(0);
                       QCoreApplication::processEvents(), Note(Shown());
                       Note(QString::number(mdlGlobal::PcxImage.at(0, 0))), d.accept();
                   });
     },
     "79 113 20 15 1 79 113 20 15 255  400 300 79 113 20 15 0 34 0-255 3"},
    // Transparent pixels take the chosen entry, which a saved PNG marks transparent; the new
    // palette goes past it.
    {[] {
         QImage picture(4, 2, QImage::Format_ARGB32);
         picture.fill(qRgb(0, 0, 255)), picture.setPixel(0, 0, qRgba(255, 0, 0, 0));
         picture.save(dir->filePath("alpha.png"));
         OnConvert([] { Open(M().cmdPcxOpen, dir->filePath("alpha.png")); },
                   [](frmConvert &d) { d.spnTransparent->setValue(0), d.accept(); });
         platform->paths.push_back(dir->filePath("out.png")), S().mnuSaveImage_Click();
         const QImage back(dir->filePath("out.png"));
         Note(Join(back.pixelIndex(0, 0), back.pixelIndex(1, 0), qAlpha(back.pixel(0, 0)),
                   qAlpha(back.pixel(1, 0))));
     },
     "1 0 1 0 255  4 2 3 0 0 0 255 254 1-1 2"},
    // With hardware levels set, a new palette holds only colours they allow.
    {[] {
         P().SetLevels({{2, 2, 2}});
         QImage picture(4, 2, QImage::Format_RGB32);
         picture.fill(qRgb(0, 0, 255)), picture.setPixel(0, 0, qRgb(200, 30, 0));
         picture.save(dir->filePath("tc.png"));
         OnConvert([] { Open(M().cmdPcxOpen, dir->filePath("tc.png")); }, Ok);
         P().SetLevels({});
     },
     "1  4 2 255 0 0 0 254 255 0-1 2"},
    // Truecolour files that cannot be read are refused by their damage, the picture kept; a
    // JPEG converts.
    {[] {
         OpenPcx("small");
         QImage picture(4, 2, QImage::Format_RGB32);
         picture.fill(Qt::blue), picture.save(dir->filePath("tc.jpg"));
         const QByteArray jpeg = *ReadWholeFile(dir->filePath("tc.jpg"));
         // 16384 x 16385, past 2^28 pixels.
         const QByteArray huge = QByteArray(jpeg).replace(jpeg.indexOf("\xFF\xC0") + 5, 4,
                                                          QByteArray("\x40\x01\x40\0", 4));
         // The empty one as the command line or a drop opens it, by its name.
         OpenFileByContent(WriteFile(dir->filePath("empty.png"), {}));
         for (const auto &[name, bytes] :
              {std::pair{"cut.jpg", jpeg.left(jpeg.size() / 2)}, {"huge.jpg", huge}})
             Open(M().cmdPcxOpen, WriteFile(dir->filePath(name), bytes));
         Note(Shown());
         OnConvert([] { Open(M().cmdPcxOpen, dir->filePath("tc.jpg")); }, Ok);
     },
     "0 202 0 0 1 IMAGE_TRUNCATED,IMAGE_TRUNCATED,IMAGE_TOO_LARGE 4 2 0 0 0 0 255 255 0-255 3"},
    // Save image as starts beside the picture with its name; the extension typed names the
    // format, one it cannot write is refused.
    {[] {
         OpenPcx("small");
         platform->paths = {dir->filePath("x.gif"), dir->filePath("x.jpg")};
         S().mnuSaveImage_Click(), S().mnuSaveImage_Click();
         Note(platform->dialogs.last().defaultName.remove(dir->path()));
         Note(Join(ReadWholeFile(dir->filePath("x.gif"))->left(3),
                   QFile::exists(dir->filePath("x.jpg"))));
     },
     "/in.png GIF false IMAGE_SAVE_KIND 8 6 0 202 0 0 0 202 0-255 2"},
    // The palette window shows the preview and gets the palette back; the choices are kept for
    // the next picture, a saved palette leaving the target, a palette file opened taking it.
    {[] {
         OnConvert(OpenTrueColour, [](frmConvert &d) {
             d.cboDither->setCurrentIndex(0), d.spnStrength->setValue(40), d.preview();
             Note(Cells(P().lblColor)), d.reject(), Note(Cells(P().lblColor) + Changed());
         });
         OnConvert(OpenTrueColour, [](frmConvert &d) {
             Note(Join(d.cboDither->currentIndex(), d.spnStrength->value())), d.accept();
         });
         Open(M().cmdActSave, dir->filePath("p.act"));
         OnConvert(OpenTrueColour, [](frmConvert &d) { d.reject(); });
         Act(768), OnConvert(OpenTrueColour, [](frmConvert &d) { d.reject(); });
     },
     "1 0-0 0-0 1 0 40 1 0  4 2 27 6 0 0 254 255 0-255 3"},
    // Around locked entries 0..1 and reserved 2, a new palette of 5 from 0 has 3..4 for the
    // picture's two colours; levels snap none of the locked.
    {[] {
         const auto five = [] {
             QStringList s;
             for (int i = 0; i < 5; ++i)
                 s << Col(Pallet[i]).name();
             return s.join(',');
         };
         Act(768), P().SetLevels({{2, 2, 2}}), Note(five());
         TheDocument().ChangeMarks(
             WithMark(WithMark({}, 0, 1, EntryMark::Locked), 2, 2, EntryMark::Reserved));
         OnConvert(OpenTrueColour, [](frmConvert &d) {
             d.cboTarget->setCurrentIndex(1), d.spnFirst->setValue(0), d.spnCount->setValue(5);
             Note(Cells(P().lblColor)), d.accept();
         });
         Note(five()), P().SetLevels({});
     },
     "#060d14,#1b2229,#30373e,#454c53,#5a6168 0 0-0 #060d14,#1b2229,#30373e,#0000ff,#ff0000  4 2 "
     "255 0 "
     "0 0 251 252 0-255 4"},
    // While the dialog is open the three windows take no command: New, Ctrl+Z over the palette
    // and a click on a cell do nothing.
    {[] {
         Act(768), OnConvert(OpenTrueColour, [](frmConvert &d) {
             Click(M().cmdActNew), QTest::keyClick(&P(), Qt::Key_Z, Qt::ControlModifier), Sel(5);
             Note(Join(bool(QApplication::activeModalWidget()), P().History().stack().index(),
                       SelectedPalletID)),
                 d.reject();
         });
     },
     "0 false 2 0  1 1 90 0 0 0 0 0 0-255 2"},
};

class TestConvertWindow : public QObject {
    Q_OBJECT
private slots:
    void convert_data() { Rows(kConvert); }
    void convert() { Check(kConvert, Converted); }
};

QTEST_MAIN(TestConvertWindow)
#include "test_convert_window.moc"
