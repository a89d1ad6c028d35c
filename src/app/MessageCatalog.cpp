#include "app/MessageCatalog.h"

namespace {

// Every table with a default of its own, in the order they are read.
template <typename Fn> void ForEachTable(Fn fn)
{
    fn(CatalogEntries());
    fn(FormatCatalogEntries());
    fn(PaletteToolEntries());
    fn(FileCatalogEntries());
    fn(ConvertCatalogEntries());
    fn(DesignCatalogEntries());
    fn(LevelsCatalogEntries());
    fn(CycleCatalogEntries());
    fn(TidyCatalogEntries());
    fn(LightCatalogEntries());
    fn(SetCatalogEntries());
    fn(ReasonCatalogEntries());
}

// The zoom message as the shared text makes it, before its own key.
void ComposeZoomRange(MessageCatalog &catalog)
{
    catalog.MsgZoomRange = QStringLiteral("100～400") + catalog.MsgEnterNumber;
}

} // namespace

MessageCatalog DefaultCatalog()
{
    MessageCatalog catalog;
    ForEachTable([&](const auto &table) {
        for (const CatalogEntry &e : table)
            catalog.*e.member = e.defaultText;
    });
    ComposeZoomRange(catalog);
    return catalog;
}

QStringList CatalogItems(const MessageCatalog &catalog, QString MessageCatalog::*list)
{
    QStringList items = (catalog.*list).split(QLatin1Char('|'));
    const QStringList builtIn = (DefaultCatalog().*list).split(QLatin1Char('|'));
    items.append(builtIn.mid(items.size()));
    return items.mid(0, builtIn.size());
}

MessageCatalog
ReadCatalog(const std::function<QString(const QString &, const QString &, const QString &)> &read)
{
    MessageCatalog catalog;
    const auto readAs = [&](const CatalogEntry &e, const QString &fallback) {
        catalog.*e.member =
            read(QString::fromLatin1(e.section), QString::fromLatin1(e.key), fallback);
    };
    ForEachTable([&](const auto &table) {
        for (const CatalogEntry &e : table)
            readAs(e, e.defaultText);
    });
    ComposeZoomRange(catalog);
    // Where their own keys are absent, these keep what the shared key gave.
    for (const CatalogEntry &e : SplitMessageEntries())
        readAs(e, catalog.*e.member);
    return catalog;
}
