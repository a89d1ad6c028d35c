#include "palette/frmInitPallet.h"
#include "palette_window/ClipText.h"
#include "palette_window/frmClip.h"
#include "palette_window/frmPallet.h"
#include "platform/QtPlatform.h"
#include "shell/Forms.h"
#include "shell/WindowKit.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"
#include "support/AppUnderTest.h"
#include "support/PaletteKit.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

using namespace mdlGlobal;

namespace {

QRgb Rgb(const PalletEntry &e)
{
    return qRgb(e.R, e.G, e.B);
}

QString ClipText(int count)
{
    QString s = "Palmiro" + Triples({count - 1});
    for (int j = 0; j < 3 * count; ++j)
        s += Triples({(j * 7 + 1) % 256});
    return s;
}

// The clipboard-range dialog: bounds, first and last raised cell and their count, OK.
QString ClipState(const frmClip &d)
{
    QList<int> up;
    for (int i = 0; i < kPalletEntries; ++i)
        if (CellLookOf(d.lblColor[i]) == CellLook::Raised)
            up << i;
    return QString("%1-%2 %3-%4 x%5 %6")
        .arg(d.lblFrom->text(), d.lblTo->text())
        .arg(up.value(0, -1))
        .arg(up.value(up.size() - 1, -1))
        .arg(up.size())
        .arg(d.cmdOK->isEnabled() ? "ok" : "-");
}

QString InitShown(const frmInitPallet &d)
{
    QString s = d.windowTitle(); // no caption
    for (int k = 0; k < 3; ++k)
        s += d.txtColor[k]->text() + "/" + QString::number(d.sldColBar[k]->value()) + " ";
    return s + QColor(Background(d.lblSelectColor).rgb()).name();
}

} // namespace

class TestPaletteWindows : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        scripted = ScriptedPlatform{};
        tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(StartApplication(&scripted));
        ActFileBytes = Pattern(768, 2) + '\0'; // a known palette, as a 768-byte file leaves it
        ActFileLen = 768;
        FrmPallet().PalletSet();
    }
    void cleanup()
    {
        EndApplication();
        tmp.reset();
    }

    void openLoadsFile_data()
    {
        QTest::addColumn<int>("size"); // -1: no such file
        QTest::newRow("772 bytes") << 772;
        QTest::newRow("empty file") << 0;
        QTest::newRow("no such file: created empty") << -1;
    }
    void openLoadsFile()
    {
        QFETCH(int, size);
        FrmPallet().lblColor_Click(7);
        PalletArray expected = Pallet;
        const QByteArray bytes = Pattern(qMax(size, 0), 5);
        for (int i = 0; size > 0 && i < kPalletEntries; ++i)
            expected[i].set(quint8(bytes[3 * i]), quint8(bytes[3 * i + 1]),
                            quint8(bytes[3 * i + 2]));
        const QString path = tmp->filePath("in.act");
        if (size >= 0)
            WriteFile(path, bytes);
        scripted.paths.push_back(path);
        FrmMain().cmdActOpen_Click();
        QCOMPARE(asked(),
                 QStringList({"open", "Select Act File", "Act Files (*.act)", "USER.act", "0"}));
        QCOMPARE(scripted.messages.size(), 0);
        expectShown(expected, 7, path);
        QCOMPARE(Contents(path), bytes);
    }

    void openChangesNothing_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancel") << true;
        QTest::newRow("directory") << false;
    }
    void openChangesNothing()
    {
        QFETCH(bool, cancel);
        const QString opened = openFile(Pattern(768, 3));
        FrmPallet().lblColor_Click(200);
        const PalletArray before = Pallet;
        if (!cancel && QDir().mkpath(tmp->filePath("bad.act")))
            scripted.paths.push_back(tmp->filePath("bad.act"));
        FrmMain().cmdActOpen_Click();
        QCOMPARE(scripted.messages.size(), cancel ? 0 : 1);
        QVERIFY(cancel || scripted.messages[0].buttons == Platform::Buttons::Ok);
        expectShown(before, 200, opened);
    }

    void saveOffersName_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("right after start-up") << "start";
        QTest::newRow("after Open") << "open";
        QTest::newRow("after New") << "new";
    }
    void saveOffersName()
    {
        QFETCH(QString, before);
        QString offered = before == "start" ? "user.act" : "";
        QByteArray content = Pattern(768, 2);
        if (before == "open")
            offered = openFile(content = Pattern(768, 4));
        if (before == "new")
            FrmPallet().initPallet(1, 2, 3), content = QByteArray("\1\2\3").repeated(256);
        scripted.dialogs.clear();
        scripted.paths.push_back(tmp->filePath("out.act"));
        FrmMain().cmdActSave_Click();
        QCOMPARE(asked(), QStringList({"save", "Act File Save", "Act Files(*.act)", offered, "1"}));
        QCOMPARE(scripted.messages.size(), 0);
        QCOMPARE(Contents(tmp->filePath("out.act")), content);
        QCOMPARE(FrmPallet().lblFName->text(), tmp->filePath("out.act"));
    }

    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("target is a directory") << "directory";
        QTest::newRow("disk full") << "fsize";
    }
    void failedSaveChangesNothing()
    {
        QFETCH(QString, kind);
        const QString opened = openFile(Pattern(768, 6));
        const QString old = WriteFile(tmp->filePath("old.act"), Pattern(772, 8));
        if (kind == "directory")
            QVERIFY(QDir().mkpath(tmp->filePath("folder.act")));
        if (kind != "cancel")
            scripted.paths.push_back(kind == "directory" ? tmp->filePath("folder.act") : old);
        WithFileSizeLimit(kind == "fsize" ? 100 : RLIM_INFINITY,
                          [] { return FrmMain().cmdActSave_Click(), 0; });
        QCOMPARE(scripted.messages.size(), kind == "cancel" ? 0 : 1);
        QCOMPARE(FrmPallet().lblFName->text(), opened);
        QCOMPARE(Contents(old), Pattern(772, 8));
        QCOMPARE(Contents(opened), Pattern(768, 6));
    }

    // Esc and Cancel change nothing; OK fills the palette, keeps the selection and
    // drops the file name; the dialog shows what it was last left with.
    void newDialogKeepsValues()
    {
        FrmPallet().lblColor_Click(42);
        const QString opened = openFile(Pattern(768, 3));
        const PalletArray before = Pallet;
        QStringList shown;
        newWith([&](frmInitPallet &d) {
            shown << InitShown(d);
            d.sldColBar[0]->setValue(99);
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        expectShown(before, 42, opened);
        newWith([&](frmInitPallet &d) {
            QTest::keyClick(d.sldColBar[0], Qt::Key_End);
            shown << InitShown(d);
            d.sldColBar[1]->setValue(100);
            d.sldColBar[2]->setValue(50);
            QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        });
        newWith([&](frmInitPallet &d) {
            shown << InitShown(d);
            d.sldColBar[0]->setValue(1);
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        });
        QCOMPARE(InitCancel, kTrue);
        QCOMPARE(Background(FrmPallet().lblColor[9]).rgb(), qRgb(255, 100, 50));
        newWith([&](frmInitPallet &d) { shown << InitShown(d), d.cmdOK_Click(); });
        QVERIFY(!leftOpen);
        QCOMPARE(shown,
                 QStringList({"0/0 0/0 0/0 #000000", "255/255 0/0 0/0 #ff0000",
                              "255/255 100/100 50/50 #ff6432", "1/1 100/100 50/50 #016432"}));
        PalletArray expected;
        for (PalletEntry &e : expected)
            e.set(1, 100, 50);
        expectShown(expected, 42, QString());
    }

    void newTextBoxes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value"); // -1: refused with MsgOver255
        QTest::newRow("12.5 reads as 12") << "12.5" << 12;
        QTest::newRow("255") << "255" << 255;
        for (const char *typed : {"256", "300", "-1", "abc"})
            QTest::newRow(typed) << typed << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("255.5 rounds to 256") << "255.5" << -1;
    }
    void newTextBoxes()
    {
        QFETCH(QString, typed);
        QFETCH(int, value);
        const bool refused = value < 0;
        InitColorG = 77;
        bool active = false;
        QVariantList seen; // after Tab, then after Enter without leaving the box
        newWith([&](frmInitPallet &d) {
            active = QTest::qWaitForWindowActive(&d);
            QLineEdit *box = d.txtColor[1];
            d.sldColBar[1]->setValue(40);
            box->setFocus();
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClicks(box, typed);
            for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return}) {
                box->setFocus();
                QTest::keyClick(box, key);
                QCoreApplication::processEvents();
                seen << box->text() << d.sldColBar[1]->value() << int(scripted.messages.size())
                     << (d.isVisible() && d.focusWidget() == box);
            }
            if (d.isVisible())
                d.cmdCancel_Click();
        });
        QVERIFY(!leftOpen);
        if (!active)
            QSKIP("the platform plugin did not activate the dialog; focus cannot move");
        const int slider = refused ? 40 : value;
        QCOMPARE(seen, QVariantList({typed, slider, int(refused), refused, typed, slider,
                                     refused ? 2 : 0, refused}));
        QCOMPARE(scripted.messageTexts(), QStringList(refused ? 2 : 0, Catalog.MsgOver255));
        QVERIFY(!refused || scripted.messages[0].buttons == Platform::Buttons::Ok);
        QCOMPARE(InitColorG, quint8(refused ? 77 : value));
        QCOMPARE(InitCancel, refused ? kTrue : kFalse);
        QVERIFY(refused || Background(FrmPallet().lblColor[0]).rgb() == qRgb(0, value, 0));
    }

    void clipRange_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("end");        // how the dialog is left
        QTest::addColumn<QStringList>("states"); // when shown, then after each click
        const QString at10 = "10- 10-10 x1 -", to20 = "10-20 10-20 x11 ok";
        QTest::newRow("10: 20 15 5 7")
            << 10 << QList<int>{20, 15, 5, 7} << "ok"
            << QStringList{at10, to20, "10-15 10-15 x6 ok", "5-10 5-10 x6 ok", "5-7 5-7 x3 ok"};
        QTest::newRow("3: 3, one entry")
            << 3 << QList<int>{3} << "ok" << QStringList{"3- 3-3 x1 -", "3-3 3-3 x1 ok"};
        QTest::newRow("255: 0") << 255 << QList<int>{0} << "ok"
                                << QStringList{"255- 255-255 x1 -", "0-255 0-255 x256 ok"};
        for (const char *end : {"Cancel button", "Esc", "window closed"})
            QTest::newRow(end) << 10 << QList<int>{20} << end << QStringList{at10, to20, at10};
    }
    void clipRange()
    {
        QFETCH(int, selected);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, end);
        QFETCH(QStringList, states);
        FrmPallet().lblColor_Click(qint16(selected));
        QVERIFY(!FrmPallet().cmdPaste->isEnabled());
        scripted.clipboard = "keep me";
        QStringList seen;
        bool coloursMatch = true;
        whenShown<frmClip>(FrmClip(), [&](frmClip &d) {
            seen << ClipState(d);
            for (int cell : clicks)
                QTest::mouseClick(d.lblColor[cell], Qt::LeftButton), seen << ClipState(d);
            for (int i = 0; i < kPalletEntries; ++i)
                coloursMatch &= Background(d.lblColor[i]).rgb() == Rgb(Pallet[i]);
            end == "ok"              ? QTest::mouseClick(d.cmdOK, Qt::LeftButton)
            : end == "Cancel button" ? QTest::mouseClick(d.cmdCancel, Qt::LeftButton)
            : end == "Esc"           ? QTest::keyClick(&d, Qt::Key_Escape)
                                     : void(d.close());
        });
        QTest::mouseClick(FrmPallet().cmdCopy, Qt::LeftButton);
        QVERIFY(!leftOpen && coloursMatch);
        const bool copied = end == "ok";
        if (!copied) { // no range survives into the next showing
            whenShown<frmClip>(FrmClip(), [&](frmClip &d) { seen << ClipState(d), d.reject(); });
            FrmPallet().cmdCopy_Click();
        }
        QCOMPARE(seen, states);
        const QStringList last = states.back().section(' ', 0, 0).split('-');
        QCOMPARE(scripted.clipboard, copied
                                         ? BuildClipText(Pallet, last[0].toInt(), last[1].toInt())
                                         : QString("keep me"));
        QCOMPARE(FrmPallet().cmdPaste->isEnabled(), copied);
    }

    void paste_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("last"); // named in the prompt; -1: no prompt
        QTest::newRow("six entries at 5, OK") << 5 << ClipText(6) << true << 10;
        QTest::newRow("six entries at 5, Cancel") << 5 << ClipText(6) << false << 10;
        QTest::newRow("two entries at 255: cut") << 255 << ClipText(2) << true << 255;
        QTest::newRow("1000 entries at 250: cut") << 250 << ClipText(1000) << true << 255;
        QTest::newRow("empty clipboard") << 5 << "" << true << -1;
    }
    void paste()
    {
        QFETCH(int, selected);
        QFETCH(QString, clip);
        QFETCH(bool, confirm);
        QFETCH(int, last);
        FrmPallet().lblColor_Click(qint16(selected));
        PalletArray expected = Pallet;
        for (int j = 0; confirm && j <= last - selected; ++j)
            expected[selected + j] = ParseClipText(clip)->at(j);
        scripted.clipboard = clip;
        scripted.answers.push_back(confirm ? Platform::Answer::Ok : Platform::Answer::Cancel);
        FrmPallet().cmdPaste_Click();
        const QString prompt = "%1 ～ %2 のパレットを書き換えます。\rよろしいですか？";
        QCOMPARE(scripted.messageTexts(),
                 last < 0 ? QStringList() : QStringList{prompt.arg(selected).arg(last)});
        QVERIFY(last < 0 || scripted.messages[0].buttons == Platform::Buttons::OkCancel);
        expectShown(expected, selected, frmPallet::kNoFile);
        QCOMPARE(scripted.clipboard, clip);
    }

    void pasteButtonFollowsClipboard_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("one entry") << "Palmiro000001002003" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("18 bytes") << "Palmiro00000100200" << false;
        QTest::newRow("magic in lower case") << "palmiro000001002003" << false;
        QTest::newRow("letters in the count") << "PalmiroABC001002003" << false;
        QTest::newRow("count 002, one entry") << "Palmiro002001002003" << false;
        QTest::newRow("value above 255") << "Palmiro000001002256" << false;
    }
    // Activating the palette window, after another, reads the clipboard afresh.
    void pasteButtonFollowsClipboard()
    {
        QFETCH(QString, clip);
        QFETCH(bool, enabled);
        auto activate = [](QWidget &w) {
            return w.activateWindow(), QTest::qWaitForWindowActive(&w);
        };
        for (const QString &text : {enabled ? QString() : ClipText(1), clip}) {
            scripted.clipboard = text;
            if (!activate(FrmMain()) || !activate(FrmPallet()))
                QSKIP("the platform plugin does not activate windows");
            QCOMPARE(FrmPallet().cmdPaste->isEnabled(), text == clip ? enabled : !enabled);
        }
    }

private:
    void expectShown(const PalletArray &pallet, int selected, const QString &name)
    {
        frmPallet &w = FrmPallet();
        QCOMPARE(QString::number(SelectedPalletID) + " " + w.lblFName->text(),
                 QString::number(selected) + " " + name);
        for (int i = 0; i < kPalletEntries; ++i)
            QVERIFY2(Pallet[i] == pallet[i] && Background(w.lblColor[i]).rgb() == Rgb(pallet[i]),
                     qPrintable(QString::number(i)));
        QCOMPARE(Background(w.lblSelectColor).rgb(), Rgb(pallet[selected]));
        for (int k = 0; k < 3; ++k)
            QCOMPARE(QList<int>({w.txtColor[k]->text().toInt(), w.sldColBar[k]->value()}),
                     QList<int>(2, pallet[selected].channel(k)));
    }
    // The file dialogs asked: open or save, title, filter as shown, offered name, overwrite prompt.
    QStringList asked() const
    {
        QStringList out;
        for (const auto &a : scripted.dialogs)
            out << (a.save ? "save" : "open") << a.dialog.title << QtNameFilters(a.dialog.filter)
                << a.dialog.defaultName << QString::number(a.dialog.confirmOverwrite);
        return out;
    }
    // Runs `act` once the dialog's exec() is under way; a dialog `act` leaves
    // open is closed so the test fails instead of hanging.
    template <typename Dialog> void whenShown(Dialog &dialog, std::function<void(Dialog &)> act)
    {
        leftOpen = false;
        QTimer::singleShot(0, &dialog, [this, &dialog, act] {
            act(dialog);
            if ((leftOpen = dialog.isVisible()))
                dialog.done(QDialog::Rejected);
        });
    }
    void newWith(std::function<void(frmInitPallet &)> act)
    {
        whenShown(FrmInitPallet(), std::move(act));
        FrmMain().cmdActNew_Click();
    }
    QString openFile(const QByteArray &bytes)
    {
        scripted.paths.push_back(WriteFile(tmp->filePath("in.act"), bytes));
        FrmMain().cmdActOpen_Click();
        return tmp->filePath("in.act");
    }

    ScriptedPlatform scripted;
    std::unique_ptr<QTemporaryDir> tmp;
    bool leftOpen = false;
};

QTEST_MAIN(TestPaletteWindows)
#include "test_palette_windows.moc"
