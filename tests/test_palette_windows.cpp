#include "palette/frmInitPallet.h"
#include "palette_window/frmClip.h"
#include "palette_window/frmPallet.h"
#include "shell/Forms.h"
#include "shell/WindowKit.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

using namespace mdlGlobal;

namespace {

QByteArray Pattern(qsizetype len, int seed)
{
    QByteArray bytes(len, '\0');
    for (qsizetype i = 0; i < len; ++i)
        bytes[i] = char(1 + (i * 7 + seed) % 251);
    return bytes;
}

QByteArray Contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// A known palette on screen, as an opened 768-byte file would leave it.
void ShowPattern(int seed)
{
    ActFileBytes = Pattern(768, seed) + '\0';
    ActFileLen = 768;
    FrmPallet().PalletSet();
}

QString Triples(const QList<int> &values)
{
    QString s;
    for (int v : values)
        s += QStringLiteral("%1").arg(v, 3, 10, QLatin1Char('0'));
    return s;
}

QList<int> ClipEntries(int count)
{
    QList<int> values;
    for (int j = 0; j < count; ++j)
        values << (j * 5 + 1) % 256 << (j * 11 + 2) % 256 << (j * 13 + 3) % 256;
    return values;
}

QString ClipText(int count)
{
    return QStringLiteral("Palmiro") + Triples({count - 1}) + Triples(ClipEntries(count));
}

QRgb CellColour(int i)
{
    return Background(FrmPallet().lblColor[i]).rgb();
}

// The first entry where the palette or a cell of the palette window differs, or -1.
int FirstMismatch(const PalletArray &expected)
{
    for (int i = 0; i < kPalletEntries; ++i) {
        const PalletEntry &e = expected[i];
        if (Pallet[i] != e || CellColour(i) != qRgb(e.R, e.G, e.B))
            return i;
    }
    return -1;
}

// The selected entry's swatch, boxes and sliders in the palette window.
QList<int> SelectedReadout()
{
    frmPallet &w = FrmPallet();
    QList<int> out{SelectedPalletID, int(Background(w.lblSelectColor).rgb() & 0xffffff)};
    for (int k = 0; k < 3; ++k)
        out << w.txtColor[k]->text().toInt() << w.sldColBar[k]->value();
    return out;
}

QList<int> ExpectedReadout(int id)
{
    const PalletEntry &e = Pallet[id];
    return {id, int(qRgb(e.R, e.G, e.B) & 0xffffff), e.R, e.R, e.G, e.G, e.B, e.B};
}

QList<int> RaisedCells(const frmClip &dialog)
{
    QList<int> raised;
    for (int i = 0; i < kPalletEntries; ++i)
        if (CellLookOf(dialog.lblColor[i]) == CellLook::Raised)
            raised << i;
    return raised;
}

QList<int> Range(int from, int to)
{
    QList<int> r;
    for (int i = from; i <= to; ++i)
        r << i;
    return r;
}

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }

private:
    rlimit saved{};
    void (*oldHandler)(int) = nullptr;
};

} // namespace

class TestPaletteWindows : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openLoadsFile_data();
    void openLoadsFile();
    void openChangesNothing_data();
    void openChangesNothing();

    void saveOffersName_data();
    void saveOffersName();
    void failedSaveChangesNothing_data();
    void failedSaveChangesNothing();

    void newFillsPalette();
    void newCancelChangesNothing();
    void newDialogKeepsValues();
    void newTextBoxes_data();
    void newTextBoxes();

    void clipRange_data();
    void clipRange();
    void clipCancel_data();
    void clipCancel();

    void paste_data();
    void paste();
    void pasteButtonFollowsClipboard_data();
    void pasteButtonFollowsClipboard();
    void pasteButtonOnActivation();

private:
    // Runs `act` on the dialog once its exec() is under way; a dialog that
    // `act` leaves open is closed so the test fails instead of hanging.
    template <typename Dialog> void whenShown(Dialog &dialog, std::function<void(Dialog &)> act)
    {
        leftOpen = false;
        QTimer::singleShot(0, &dialog, [this, &dialog, act] {
            act(dialog);
            if (dialog.isVisible()) {
                leftOpen = true;
                dialog.done(QDialog::Rejected);
            }
        });
    }
    void newWith(std::function<void(frmInitPallet &)> act)
    {
        whenShown(FrmInitPallet(), std::move(act));
        FrmMain().cmdActNew_Click();
    }
    QString openFile(const QByteArray &bytes, const QString &name = QStringLiteral("in.act"))
    {
        const QString path = WriteFile(tmp->filePath(name), bytes);
        scripted.paths.push_back(path);
        FrmMain().cmdActOpen_Click();
        return path;
    }

    ScriptedPlatform scripted;
    std::unique_ptr<QTemporaryDir> tmp;
    bool leftOpen = false;
};

void TestPaletteWindows::init()
{
    scripted = ScriptedPlatform{};
    tmp = std::make_unique<QTemporaryDir>();
    SetPlatform(&scripted);
    FrmMain().Form_Load();
    FrmMain().show();
}

void TestPaletteWindows::cleanup()
{
    // A box that still has the focus when its window is destroyed runs its
    // commit on half-destroyed controls; take the focus away first.
    if (QWidget *focused = QApplication::focusWidget())
        focused->clearFocus();
    UnloadAllForms();
    ResetSharedState();
    tmp.reset();
}

void TestPaletteWindows::openLoadsFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("entries");

    QTest::newRow("768 bytes") << 768 << 256;
    QTest::newRow("300 bytes") << 300 << 100;
    QTest::newRow("767 bytes") << 767 << 256;
    QTest::newRow("772 bytes") << 772 << 256;
    QTest::newRow("empty file") << 0 << 0;
    QTest::newRow("no such file: created empty") << -1 << 0;
}

void TestPaletteWindows::openLoadsFile()
{
    QFETCH(int, size);
    QFETCH(int, entries);

    ShowPattern(2);
    FrmPallet().lblColor_Click(7);
    PalletArray expected = Pallet;
    const QByteArray bytes = Pattern(qMax(size, 0), 5);
    for (int i = 0; i < entries; ++i) {
        auto at = [&](int k) { return k < size ? quint8(bytes[k]) : quint8(0); };
        expected[i].set(at(3 * i), at(3 * i + 1), at(3 * i + 2));
    }

    QString path = tmp->filePath(QStringLiteral("in.act"));
    if (size >= 0) {
        openFile(bytes);
    } else {
        scripted.paths.push_back(path);
        FrmMain().cmdActOpen_Click();
    }

    QCOMPARE(scripted.dialogs.size(), 1);
    const auto &asked = scripted.dialogs[0];
    QVERIFY(!asked.save);
    QCOMPARE(asked.dialog.title, QStringLiteral("Select Act File"));
    QCOMPARE(asked.dialog.filter, QStringLiteral("Act Files (*.act)|*.act|"));
    QCOMPARE(asked.dialog.defaultName, QStringLiteral("USER.act"));
    QCOMPARE(scripted.messageTexts(), QStringList());

    QCOMPARE(FirstMismatch(expected), -1);
    QCOMPARE(FrmPallet().lblFName->text(), path);
    QCOMPARE(SelectedReadout(), ExpectedReadout(7));
    QCOMPARE(QFileInfo(path).size(), qint64(qMax(size, 0)));
}

void TestPaletteWindows::openChangesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("messages");

    QTest::newRow("cancel") << "cancel" << 0;
    QTest::newRow("directory") << "directory" << 1;
    QTest::newRow("unreadable file") << "unreadable" << 1;
}

void TestPaletteWindows::openChangesNothing()
{
    QFETCH(QString, kind);
    QFETCH(int, messages);

    const QString opened = openFile(Pattern(768, 3));
    FrmPallet().lblColor_Click(200);
    const PalletArray before = Pallet;
    const QList<int> readout = SelectedReadout();

    const QString path = tmp->filePath(QStringLiteral("bad.act"));
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("unreadable")) {
        if (::geteuid() == 0)
            QSKIP("root reads a file whatever its permission bits");
        WriteFile(path, Pattern(768, 9));
        QFile::setPermissions(path, QFile::WriteOwner);
    }
    if (kind != QLatin1String("cancel"))
        scripted.paths.push_back(path);
    FrmMain().cmdActOpen_Click();

    QCOMPARE(scripted.messages.size(), messages);
    for (const auto &m : scripted.messages)
        QCOMPARE(m.buttons, Platform::Buttons::Ok);
    QCOMPARE(FirstMismatch(before), -1);
    QCOMPARE(FrmPallet().lblFName->text(), opened);
    QCOMPARE(SelectedReadout(), readout);
}

void TestPaletteWindows::saveOffersName_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("right after start-up") << "start";
    QTest::newRow("after Open") << "open";
    QTest::newRow("after New") << "new";
}

void TestPaletteWindows::saveOffersName()
{
    QFETCH(QString, before);

    QString offered = QStringLiteral("user.act");
    QByteArray content(768, '\0');
    if (before == QLatin1String("open")) {
        content = Pattern(768, 4);
        offered = openFile(content);
    } else if (before == QLatin1String("new")) {
        FrmPallet().initPallet(1, 2, 3);
        content = QByteArray("\1\2\3").repeated(256);
        offered.clear();
    }
    scripted.dialogs.clear();

    const QString target = tmp->filePath(QStringLiteral("out.act"));
    scripted.paths.push_back(target);
    FrmMain().cmdActSave_Click();

    QCOMPARE(scripted.dialogs.size(), 1);
    const auto &asked = scripted.dialogs[0];
    QVERIFY(asked.save);
    QCOMPARE(asked.dialog.title, QStringLiteral("Act File Save"));
    QCOMPARE(asked.dialog.filter, QStringLiteral("Act Files(*.act)|*.act|"));
    QCOMPARE(asked.dialog.defaultName, offered);
    QVERIFY(asked.dialog.confirmOverwrite);
    QCOMPARE(scripted.messageTexts(), QStringList());
    QCOMPARE(Contents(target), content);
    QCOMPARE(FrmPallet().lblFName->text(), target);
}

void TestPaletteWindows::failedSaveChangesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("messages");

    QTest::newRow("cancel") << "cancel" << 0;
    QTest::newRow("target is a directory") << "directory" << 1;
    QTest::newRow("missing folder") << "missing folder" << 1;
    QTest::newRow("disk full") << "fsize" << 1;
}

void TestPaletteWindows::failedSaveChangesNothing()
{
    QFETCH(QString, kind);
    QFETCH(int, messages);

    const QString opened = openFile(Pattern(768, 6));

    const QByteArray old = Pattern(772, 8);
    QString target = WriteFile(tmp->filePath(QStringLiteral("old.act")), old);
    if (kind == QLatin1String("directory")) {
        target = tmp->filePath(QStringLiteral("folder.act"));
        QVERIFY(QDir().mkpath(target));
    } else if (kind == QLatin1String("missing folder")) {
        target = tmp->filePath(QStringLiteral("no/such/new.act"));
    }
    if (kind != QLatin1String("cancel"))
        scripted.paths.push_back(target);
    if (kind == QLatin1String("fsize")) {
        const FileSizeLimit limit(100);
        FrmMain().cmdActSave_Click();
    } else {
        FrmMain().cmdActSave_Click();
    }

    QCOMPARE(scripted.messages.size(), messages);
    QCOMPARE(FrmPallet().lblFName->text(), opened);
    QCOMPARE(Contents(tmp->filePath(QStringLiteral("old.act"))), old);
    QCOMPARE(Contents(opened), Pattern(768, 6));
    QVERIFY(!QFileInfo::exists(tmp->filePath(QStringLiteral("no"))));
}

void TestPaletteWindows::newFillsPalette()
{
    ShowPattern(1);
    FrmPallet().lblColor_Click(42);
    openFile(Pattern(768, 2));

    newWith([](frmInitPallet &d) {
        d.sldColBar[0]->setValue(10);
        d.sldColBar[1]->setValue(20);
        d.sldColBar[2]->setValue(30);
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    });
    QVERIFY(!leftOpen);

    PalletArray expected;
    for (PalletEntry &e : expected)
        e.set(10, 20, 30);
    QCOMPARE(FirstMismatch(expected), -1);
    QCOMPARE(FrmPallet().lblFName->text(), QString());
    QCOMPARE(SelectedReadout(), ExpectedReadout(42));
    QCOMPARE(SelectedPalletID, qint16(42));
}

void TestPaletteWindows::newCancelChangesNothing()
{
    const QString opened = openFile(Pattern(768, 3));
    const PalletArray before = Pallet;

    newWith([](frmInitPallet &d) {
        d.sldColBar[0]->setValue(99);
        QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QCOMPARE(InitCancel, kTrue);
    QCOMPARE(FirstMismatch(before), -1);
    QCOMPARE(FrmPallet().lblFName->text(), opened);

    // Esc is Cancel too.
    newWith([](frmInitPallet &d) { QTest::keyClick(&d, Qt::Key_Escape); });
    QVERIFY(!leftOpen);
    QCOMPARE(FirstMismatch(before), -1);
    QCOMPARE(FrmPallet().lblFName->text(), opened);
}

void TestPaletteWindows::newDialogKeepsValues()
{
    ShowPattern(1);
    using Shown = QList<QVariant>;
    auto shown = [](frmInitPallet &d) {
        Shown s;
        for (int k = 0; k < 3; ++k)
            s << d.txtColor[k]->text() << d.sldColBar[k]->value();
        s << QColor(Background(d.lblSelectColor).rgb()).name();
        return s;
    };
    Shown first, second, third;

    Shown atEnd;
    newWith([&](frmInitPallet &d) {
        first = shown(d);
        QTest::keyClick(d.sldColBar[0], Qt::Key_End);
        atEnd = shown(d);
        d.sldColBar[1]->setValue(100);
        d.sldColBar[2]->setValue(50);
        d.cmdOK_Click();
    });
    newWith([&](frmInitPallet &d) {
        second = shown(d);
        d.sldColBar[0]->setValue(1);
        d.cmdCancel_Click();
    });
    newWith([&](frmInitPallet &d) {
        third = shown(d);
        d.cmdOK_Click();
    });
    QVERIFY(!leftOpen);

    QCOMPARE(first, Shown({"0", 0, "0", 0, "0", 0, "#000000"}));
    QCOMPARE(atEnd, Shown({"255", 255, "0", 0, "0", 0, "#ff0000"}));
    QCOMPARE(second, Shown({"255", 255, "100", 100, "50", 50, "#ff6432"}));
    QCOMPARE(third, Shown({"1", 1, "100", 100, "50", 50, "#016432"}));
    QCOMPARE(QList<int>({InitColorR, InitColorG, InitColorB}), QList<int>({1, 100, 50}));
    QCOMPARE(CellColour(255), qRgb(1, 100, 50));
}

void TestPaletteWindows::newTextBoxes_data()
{
    QTest::addColumn<QString>("typed");
    // -1: refused with MsgOver255.
    QTest::addColumn<int>("value");

    QTest::newRow("12.5 reads as 12") << "12.5" << 12;
    QTest::newRow("13.5 reads as 14") << "13.5" << 14;
    QTest::newRow("007 stays as typed") << "007" << 7;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("blanks around") << " 9 " << 9;
    QTest::newRow("256") << "256" << -1;
    QTest::newRow("300") << "300" << -1;
    QTest::newRow("-1") << "-1" << -1;
    QTest::newRow("abc") << "abc" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("255.5 rounds to 256") << "255.5" << -1;
}

void TestPaletteWindows::newTextBoxes()
{
    QFETCH(QString, typed);
    QFETCH(int, value);
    const bool refused = value < 0;

    InitColorG = 77;
    struct Seen {
        bool active = false;
        QString textAfterTab;
        int slider = -1;
        QWidget *focusAfterTab = nullptr;
        int messagesAfterTab = 0;
        bool openAfterEnter = false;
        QWidget *focusAfterEnter = nullptr;
    } seen;

    newWith([&](frmInitPallet &d) {
        seen.active = QTest::qWaitForWindowActive(&d);
        QLineEdit *box = d.txtColor[1];
        d.sldColBar[1]->setValue(40);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        if (typed.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Tab);
        QCoreApplication::processEvents();
        seen.textAfterTab = box->text();
        seen.slider = d.sldColBar[1]->value();
        seen.focusAfterTab = d.focusWidget();
        seen.messagesAfterTab = int(scripted.messages.size());

        // Enter while the box still holds the text, without leaving it.
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QCoreApplication::processEvents();
        seen.openAfterEnter = d.isVisible();
        seen.focusAfterEnter = d.focusWidget();
        if (d.isVisible())
            d.cmdCancel_Click();
    });
    QVERIFY(!leftOpen);
    if (!seen.active)
        QSKIP("the platform plugin did not activate the dialog; focus cannot move");

    frmInitPallet &d = FrmInitPallet();
    QCOMPARE(seen.textAfterTab, typed);
    QCOMPARE(seen.messagesAfterTab, refused ? 1 : 0);
    QCOMPARE(seen.openAfterEnter, refused);
    if (refused) {
        QCOMPARE(seen.slider, 40);
        QCOMPARE(seen.focusAfterTab, d.txtColor[1]);
        QCOMPARE(seen.focusAfterEnter, d.txtColor[1]);
        QCOMPARE(scripted.messageTexts(), QStringList(2, Catalog.MsgOver255));
        QCOMPARE(scripted.messages[0].buttons, Platform::Buttons::Ok);
        QCOMPARE(InitColorG, quint8(77));
        QCOMPARE(InitCancel, kTrue);
    } else {
        QCOMPARE(seen.slider, value);
        QVERIFY(seen.focusAfterTab != d.txtColor[1]);
        QCOMPARE(InitColorG, quint8(value));
        QCOMPARE(InitCancel, kFalse);
        QCOMPARE(CellColour(0), qRgb(0, value, 0));
    }
}

void TestPaletteWindows::clipRange_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");

    QTest::newRow("10: 20") << 10 << QList<int>{20} << 10 << 20;
    QTest::newRow("10: 20 15") << 10 << QList<int>{20, 15} << 10 << 15;
    QTest::newRow("10: 20 15 5") << 10 << QList<int>{20, 15, 5} << 5 << 10;
    QTest::newRow("10: 20 15 5 7") << 10 << QList<int>{20, 15, 5, 7} << 5 << 7;
    QTest::newRow("3: 3, one entry") << 3 << QList<int>{3} << 3 << 3;
    QTest::newRow("0: 255, everything") << 0 << QList<int>{255} << 0 << 255;
    QTest::newRow("255: 0") << 255 << QList<int>{0} << 0 << 255;
}

void TestPaletteWindows::clipRange()
{
    QFETCH(int, selected);
    QFETCH(QList<int>, clicks);
    QFETCH(int, from);
    QFETCH(int, to);

    ShowPattern(3);
    FrmPallet().lblColor_Click(qint16(selected));
    QVERIFY(!FrmPallet().cmdPaste->isEnabled());
    QStringList atStart, atEnd;
    QList<int> raisedAtStart, raisedAtEnd;
    bool okAtStart = true, okAtEnd = false, coloursMatch = true;

    whenShown<frmClip>(FrmClip(), [&](frmClip &d) {
        atStart = {d.lblFrom->text(), d.lblTo->text()};
        raisedAtStart = RaisedCells(d);
        okAtStart = d.cmdOK->isEnabled();
        for (int cell : clicks)
            QTest::mouseClick(d.lblColor[cell], Qt::LeftButton);
        atEnd = {d.lblFrom->text(), d.lblTo->text()};
        raisedAtEnd = RaisedCells(d);
        okAtEnd = d.cmdOK->isEnabled();
        for (int i = 0; i < kPalletEntries; ++i) {
            const PalletEntry &e = Pallet[i];
            coloursMatch &= Background(d.lblColor[i]).rgb() == qRgb(e.R, e.G, e.B);
        }
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    });
    QTest::mouseClick(FrmPallet().cmdCopy, Qt::LeftButton);
    QVERIFY(!leftOpen);

    QCOMPARE(atStart, QStringList({QString::number(selected), QString()}));
    QCOMPARE(raisedAtStart, QList<int>{selected});
    QVERIFY(!okAtStart);
    QCOMPARE(atEnd, QStringList({QString::number(from), QString::number(to)}));
    QCOMPARE(raisedAtEnd, Range(from, to));
    QVERIFY(okAtEnd);
    QVERIFY(coloursMatch);

    QList<int> values;
    for (int i = from; i <= to; ++i)
        values << Pallet[i].R << Pallet[i].G << Pallet[i].B;
    QCOMPARE(scripted.clipboard, QStringLiteral("Palmiro") + Triples({to - from}) + Triples(values));
    QCOMPARE(scripted.clipboard.size(), 19 + 9 * (to - from));
    QVERIFY(FrmPallet().cmdPaste->isEnabled());
}

void TestPaletteWindows::clipCancel_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "button";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("window closed") << "close";
}

void TestPaletteWindows::clipCancel()
{
    QFETCH(QString, how);

    FrmPallet().lblColor_Click(10);
    scripted.clipboard = QStringLiteral("keep me");
    whenShown<frmClip>(FrmClip(), [&](frmClip &d) {
        QTest::mouseClick(d.lblColor[20], Qt::LeftButton);
        if (how == QLatin1String("button"))
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        else if (how == QLatin1String("esc"))
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.close();
    });
    FrmPallet().cmdCopy_Click();
    QVERIFY(!leftOpen);
    QCOMPARE(scripted.clipboard, QStringLiteral("keep me"));
    QVERIFY(!FrmPallet().cmdPaste->isEnabled());

    // No range survives into the next showing.
    QStringList bounds;
    bool okEnabled = true;
    whenShown<frmClip>(FrmClip(), [&](frmClip &d) {
        bounds = {d.lblFrom->text(), d.lblTo->text()};
        okEnabled = d.cmdOK->isEnabled();
        d.cmdCancel_Click();
    });
    FrmPallet().cmdCopy_Click();
    QCOMPARE(bounds, QStringList({QStringLiteral("10"), QString()}));
    QVERIFY(!okEnabled);
}

void TestPaletteWindows::paste_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<bool>("confirm");
    // Empty: no prompt at all.
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("written");

    QTest::newRow("six entries at 5, OK")
        << 5 << ClipText(6) << true << "5 ～ 10 のパレットを書き換えます。\rよろしいですか？" << 6;
    QTest::newRow("six entries at 5, Cancel")
        << 5 << ClipText(6) << false << "5 ～ 10 のパレットを書き換えます。\rよろしいですか？" << 0;
    QTest::newRow("two entries at 255: cut")
        << 255 << ClipText(2) << true << "255 ～ 255 のパレットを書き換えます。\rよろしいですか？"
        << 1;
    QTest::newRow("all 256 at 0")
        << 0 << ClipText(256) << true << "0 ～ 255 のパレットを書き換えます。\rよろしいですか？"
        << 256;
    QTest::newRow("1000 entries at 250: cut")
        << 250 << ClipText(1000) << true
        << "250 ～ 255 のパレットを書き換えます。\rよろしいですか？" << 6;
    QTest::newRow("not palette text") << 5 << "palmiro000001002003" << true << "" << 0;
    QTest::newRow("empty clipboard") << 5 << "" << true << "" << 0;
}

void TestPaletteWindows::paste()
{
    QFETCH(int, selected);
    QFETCH(QString, clip);
    QFETCH(bool, confirm);
    QFETCH(QString, prompt);
    QFETCH(int, written);

    ShowPattern(4);
    FrmPallet().lblColor_Click(qint16(selected));
    PalletArray expected = Pallet;
    const QList<int> values = ClipEntries(written);
    for (int j = 0; j < written; ++j)
        expected[selected + j].set(quint8(values[3 * j]), quint8(values[3 * j + 1]),
                                   quint8(values[3 * j + 2]));

    scripted.clipboard = clip;
    scripted.answers.push_back(confirm ? Platform::Answer::Ok : Platform::Answer::Cancel);
    FrmPallet().cmdPaste_Click();

    if (prompt.isEmpty()) {
        QCOMPARE(scripted.messages.size(), 0);
    } else {
        QCOMPARE(scripted.messageTexts(), QStringList{prompt});
        QCOMPARE(scripted.messages[0].buttons, Platform::Buttons::OkCancel);
    }
    QCOMPARE(FirstMismatch(expected), -1);
    QCOMPARE(SelectedReadout(), ExpectedReadout(selected));
    QCOMPARE(scripted.clipboard, clip);
}

void TestPaletteWindows::pasteButtonFollowsClipboard_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("one entry") << "Palmiro000001002003" << true;
    QTest::newRow("256 entries") << ClipText(256) << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("18 bytes") << "Palmiro00000100200" << false;
    QTest::newRow("magic in lower case") << "palmiro000001002003" << false;
    QTest::newRow("letters in the count") << "PalmiroABC001002003" << false;
    QTest::newRow("count 002, one entry") << "Palmiro002001002003" << false;
    QTest::newRow("value above 255") << "Palmiro000001002256" << false;
}

void TestPaletteWindows::pasteButtonFollowsClipboard()
{
    QFETCH(QString, clip);
    QFETCH(bool, enabled);

    QPushButton *paste = FrmPallet().cmdPaste;
    scripted.clipboard = enabled ? QString() : ClipText(1);
    FrmPallet().Form_Activate();
    QCOMPARE(paste->isEnabled(), !enabled);

    scripted.clipboard = clip;
    FrmPallet().Form_Activate();
    QCOMPARE(paste->isEnabled(), enabled);
}

void TestPaletteWindows::pasteButtonOnActivation()
{
    frmPallet &pallet = FrmPallet();
    auto activate = [](QWidget *w) {
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    };

    scripted.clipboard = ClipText(3);
    if (!activate(&FrmMain()) || !activate(&pallet))
        QSKIP("the platform plugin does not activate windows");
    QVERIFY(pallet.cmdPaste->isEnabled());

    scripted.clipboard = QStringLiteral("text from elsewhere");
    QVERIFY(activate(&FrmMain()));
    QVERIFY(activate(&pallet));
    QVERIFY(!pallet.cmdPaste->isEnabled());
}

QTEST_MAIN(TestPaletteWindows)
#include "test_palette_windows.moc"
