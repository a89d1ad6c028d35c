#include "windows/screen/frmShadeTable.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/FileBytes.h"
#include "formats/EngineTableFiles.h"
#include "platform/Platform.h"
#include "windows/kit/WindowKit.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using namespace mdlGlobal;

namespace {

constexpr int kCellWidth = 3;

LightView &Light()
{
    return TheDocument().Light();
}

// A few hundred pixels high whatever the count of levels.
int CellHeight()
{
    return std::clamp(192 / Light().Levels(), 2, 8);
}

class TableGrid : public QWidget {
public:
    TableGrid(frmShadeTable *view) : QWidget(view), view(view)
    {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        p.drawImage(QRect(0, 0, 256 * kCellWidth, Light().Levels() * CellHeight()), view->Cells());
        // The level the picture is drawn at.
        const int y = Light().Level() * CellHeight();
        p.fillRect(256 * kCellWidth, y, width() - 256 * kCellWidth, CellHeight(), Qt::white);
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        const QPoint at = event->position().toPoint();
        const int entry = at.x() / kCellWidth, level = at.y() / CellHeight();
        view->lblCell->setText(
            entry < 256 && level < Light().Levels() ? view->CellText(entry, level) : QString());
    }

private:
    frmShadeTable *view;
};

// Which of the files ReadEngineTables knows `path` holds: by name, then by size.
std::optional<QByteArray> TableBytes(const QString &path, const QByteArray &bytes,
                                     TableFormat &format, QString &why)
{
    const QString name = QFileInfo(path).fileName().toLower();
    format = TableFormat::Raw;
    if (name.endsWith(QLatin1String(".wad"))) {
        format = TableFormat::Colormap;
        return WadLump(bytes, "COLORMAP", why);
    }
    if (name == QLatin1String("palette.dat"))
        format = TableFormat::BuildPalette;
    else if (bytes.size() == 34 * 256)
        format = TableFormat::Colormap;
    else if (bytes.size() == 64 * 256 || bytes.size() == 64 * 256 + 1)
        format = TableFormat::QuakeColormap;
    return bytes;
}

} // namespace

frmShadeTable::frmShadeTable(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(Catalog.TitleShadeTable);
    SetDesignedFont(this);
    grid = new TableGrid(this);
    grid->setFixedSize(256 * kCellWidth + 8, 64 * 3);
    lblCell = new QLabel(this);
    lblPoor = new QLabel(this);
    lblPoor->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    cmdOpen = new QPushButton(Catalog.CaptionTableOpen, this);
    cmdComputed = new QPushButton(Catalog.CaptionTableComputed, this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen);
    buttons->addWidget(cmdComputed);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grid);
    layout->addWidget(lblCell);
    layout->addLayout(buttons);
    layout->addWidget(lblPoor, 1);
    connect(cmdOpen, &QPushButton::clicked, this, &frmShadeTable::cmdOpen_Click);
    connect(cmdComputed, &QPushButton::clicked, this, [] { Light().ForgetRead(); });
    Document &document = TheDocument();
    connect(&Light(), &LightView::changed, this, &frmShadeTable::refresh);
    connect(&document, &Document::palletChanged, this, &frmShadeTable::refresh);
    connect(&document, &Document::coloursPreviewed, this, &frmShadeTable::refresh);
    refresh();
}

QImage frmShadeTable::Cells()
{
    const int levels = Light().Levels();
    const TableRows &rows = Light().Table(Pallet);
    QImage cells(256, levels, QImage::Format_RGB32);
    for (int level = 0; level < levels; ++level)
        for (int e = 0; e < 256; ++e) {
            const std::size_t i = std::size_t(level) * 256 + std::size_t(e);
            cells.setPixel(e, level, PackedToRgb32(Pallet[i < rows.size() ? rows[i] : e].color()));
        }
    return cells;
}

QString frmShadeTable::CellText(int entry, int level)
{
    const TableRows &rows = Light().Table(Pallet);
    const std::size_t i = std::size_t(level) * 256 + std::size_t(entry);
    return i < rows.size() ? Catalog.TipShadeCell.arg(entry).arg(level).arg(rows[i]) : QString();
}

void frmShadeTable::refresh()
{
    // Closed, the view makes no table: a palette edit in full light costs what it did.
    if (!isVisible())
        return;
    grid->setFixedSize(256 * kCellWidth + 8, Light().Levels() * CellHeight());
    cmdComputed->setEnabled(Light().HasRead());
    QStringList lines{Catalog.CaptionPoorShades};
    const auto poor = Light().PoorEntries(Pallet);
    for (std::size_t i = 0; i < poor.size() && i < 10; ++i)
        lines << QStringLiteral("%1: %2").arg(poor[i].first).arg(double(poor[i].second), 0, 'f', 1);
    lblPoor->setText(lines.join(QLatin1Char('\n')));
    grid->update();
}

void frmShadeTable::cmdOpen_Click()
{
    const std::optional<QString> path = ThePlatform().openFileDialog(
        this, {Catalog.TitleTableOpen,
               QStringLiteral("COLORMAP, colormap.lmp, PALETTE.DAT, WAD "
                              "(*.lmp *.dat *.wad *.raw *.tab)|*.lmp;*.dat;*.wad;*.raw;*.tab|"
                              "* (*)|*|"),
               {}});
    if (path)
        OpenTableFile(*path);
}

void frmShadeTable::OpenTableFile(const QString &path)
{
    FileError error;
    const std::optional<QByteArray> bytes = ReadWholeFile(path, &error);
    if (!bytes) {
        ThePlatform().messageBox(this, FileMessage(Catalog, path, error), Platform::Buttons::Ok);
        return;
    }
    TableFormat format;
    QString why;
    const std::optional<QByteArray> lump = TableBytes(path, *bytes, format, why);
    EngineTablesRead read;
    if (lump)
        read = ReadEngineTables(format, *lump);
    if (lump && !read.ok())
        why = read.error;
    if (!lump || !read.ok() || read.tables.shades.empty()) {
        QString text = Catalog.MsgTableRefused + QLatin1Char('\n') + path;
        if (!why.isEmpty())
            text += QLatin1Char('\n') + CatalogReason(Catalog, why);
        ThePlatform().messageBox(this, text, Platform::Buttons::Ok);
        return;
    }
    Light().ShowRead(std::move(read.tables.shades));
}

void frmShadeTable::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Light().SetViewOpen(true);
    refresh();
}

void frmShadeTable::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    Light().SetViewOpen(false);
}
