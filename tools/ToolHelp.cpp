#include "ToolHelp.h"

namespace {

struct Command {
    const char *name;
    const char *synopsis;
    const char *details;
};

// Kept in step with the manual page, docs/man/palmiro-tool.1.
const Command kCommands[] = {
    {"info", "info IMAGE",
     "  Prints the file's format and picture size, a PCX file's header fields,\n"
     "  and whether the editor accepts it (exit 1 when it does not). A JPEG,\n"
     "  TIFF, WebP, PPM or XPM opens only through convert.\n"},
    {"palette",
     "palette IMAGE-or-PALETTE OUT [--levels R,G,B] [--as FORMAT] [--from FORMAT] [--count N]",
     "  Writes the palette the editor would have after opening the file, in the\n"
     "  format OUT's extension names: act, gpl, pal, hex, txt, or vga (VGA DAC),\n"
     "  bgr555, md (Mega Drive CRAM), amiga (OCS); ACT when none matches.\n"
     "  --levels R,G,B  each channel snapped to 2..256 levels\n"
     "  --as FORMAT     vga, bgr555, md or amiga, whatever OUT's extension;\n"
     "                  each is snapped to its own levels\n"
     "  --from FORMAT   the input read as one of these (also by its extension)\n"
     "  --count N       the first N (1..256) entries; by default as many as the\n"
     "                  file or picture holds, its own count written where the\n"
     "                  format has one (an ACT of fewer than 256 is 772 bytes)\n"},
    {"render", "render IMAGE [--palette PALETTE] [--zoom 100..400] [--rgb] OUT.{png,pcx,bmp,gif}",
     "  Writes the picture as the screen window draws it.\n"
     "  --palette PALETTE  draw with this palette instead of the image's own\n"
     "  --zoom PERCENT     100 to 400, as the zoom slider (default 100)\n"
     "  --rgb              a 32-bit colour PNG instead of an indexed one\n"
     "  A PCX, BMP or GIF OUT keeps the stored values and the palette; an\n"
     "  indexed PNG or a GIF keeps the image's colour cycling ranges too.\n"},
    {"convert", "convert (--palette PALETTE | --colours N) [OPTIONS] -o OUT IMAGE...",
     "  Maps any pictures (PNG, JPEG, BMP, GIF, PCX...) onto a palette.\n"
     "  --palette PALETTE  onto this palette's colours, or a picture's table\n"
     "  --colours N        onto a new palette of N (2..256) made for each picture;\n"
     "                     --colors is the same\n"
     "  --range S-T        only entries S..T; a new palette goes to S..S+N-1\n"
     "  --dither KIND      none, fs (default), atkinson, sierra-lite, jjn,\n"
     "                     bayer2, bayer4 or bayer8\n"
     "  --strength 0..100  how much of the dithering (default 100)\n"
     "  --no-serpentine    every row left to right\n"
     "  --no-refine        error diffusion alone; by default fs, sierra-lite\n"
     "                     and jjn at strength 100 are then refined, nearer\n"
     "                     the picture as seen from a distance\n"
     "  --distance SPACE   oklab (default) or rgb\n"
     "  --transparent E    pixels of alpha under 128 take entry E, and only they:\n"
     "                     E keeps its colour, a new palette goes past it\n"
     "  --jobs N           pictures at once (default: every core)\n"
     "  --format FORMAT    png (default), pcx, bmp or gif, for an OUT without\n"
     "                     an extension; OUT's extension decides otherwise\n"
     "  --levels R,G,B     the palette's colours snapped to 2..256 levels first\n"
     "  --keep-cycles      use the entries of a PALETTE picture's cycling ranges\n"
     "  --shared           one palette of N for all the pictures, made from\n"
     "                     their colours, then each picture onto it\n"
     "  --weight KIND      pixels (default): a picture counts by its size;\n"
     "                     equal: every picture as much as any other\n"
     "  --lock LIST        entries (0,15,224-255) that keep PALETTE's colour\n"
     "                     and pixels may take; no new colour comes near one\n"
     "  --reserve LIST     entries left as they are and taken by no pixel\n"
     "                     (E of --transparent too); with --colours, PALETTE\n"
     "                     gives their colours, and its marks when neither\n"
     "                     list is given; --levels leaves locked ones alone\n"
     "  --write-palette FILE  the palette made, in the format its extension\n"
     "                     names (as palette writes); then -o may be left out.\n"
     "                     An option of convert, not a command: one reading\n"
     "                     of the set makes the palette and the pictures, with\n"
     "                     the same locks, weights and dithering\n"
     "  --quiet            no progress: of two pictures or more, each is named on\n"
     "                     stderr as it starts ([3/12] NAME), over the last on a\n"
     "                     terminal; with --shared, as it is counted, then as it\n"
     "                     is converted ([3/12] counting NAME, converting NAME)\n"
     "  OUT is a folder when it is one or ends in /, each picture keeping its\n"
     "  name there with its format's extension; any other OUT is one file, for\n"
     "  one picture.\n"},
    {"cycle", "cycle IMAGE OUT.gif [--range S-T:RATE[:back]]...",
     "  Writes one period of the colour cycling as an animated GIF, a frame at\n"
     "  every step of any range, each with its own colour table, looping.\n"
     "  --range S-T:RATE[:back]  entries S..T turning RATE (0.25..60) steps a\n"
     "                           second, forward or back; up to 16 (default:\n"
     "                           the ranges IMAGE holds)\n"
     "  Past 1000 frames the first 1000 are written, with a note on stderr.\n"},
    {"tidy",
     "tidy IMAGE OUT.{png,pcx,bmp,gif} (--merge-duplicates | --merge-similar D | --unused-to-end "
     "|\n"
     "                    --sort hue|lightness|chroma|usage | --reduce N) [--range S-T]",
     "  Tidies the palette of an indexed picture, renumbering its pixels so that\n"
     "  it looks the same unless colours are merged. One step a call.\n"
     "  --merge-duplicates  entries of one colour become the lowest of them\n"
     "  --merge-similar D   groups within D (OKLab distance x 100) become one\n"
     "  --unused-to-end     entries no pixel draws move after the others\n"
     "  --sort KEY          by hue, lightness, chroma or usage (most first)\n"
     "  --reduce N          merges the closest used entries until N remain\n"
     "  --range S-T         only entries S..T (default every entry)\n"},
    {"tables",
     "tables PALETTE OUT --kind KIND [--levels L] [--fade COLOUR]\n"
     "                    [--fullbright LIST] [--opacity P] [--additive]\n"
     "                    [--match oklab|classic] [--tints doom|freedoom]\n"
     "  palmiro-tool tables --report PALETTE [--levels L] [--fade COLOUR]\n"
     "                    [--fullbright LIST] [--match oklab|classic]",
     "  Writes the look-up tables 8-bit engines draw through, made from PALETTE\n"
     "  (any palette file, a PLAYPAL, or a WAD's PLAYPAL): its palette 0.\n"
     "  --kind KIND        colormap (Doom, 34 rows), tranmap (Boom), playpal (14\n"
     "                     palettes), quake-colormap (64 rows), build-palette\n"
     "                     (PALETTE.DAT) or raw (L rows of 256)\n"
     "  --levels L         light levels from full light down (default 32)\n"
     "  --fade COLOUR      what the light fades to, #rrggbb or R,G,B (default black)\n"
     "  --fullbright LIST  entries that stay themselves at every level and that no\n"
     "                     other takes, such as 224-255 (quake-colormap's default)\n"
     "  --opacity P        the foreground's share of a blend, 0..100 (default 66)\n"
     "  --additive         the foreground at P added to the background\n"
     "  --match oklab      mixed as light, nearest in OKLab (default); classic: as\n"
     "                     the engines' own generators, byte for byte\n"
     "  --tints doom       the flashes of a PLAYPAL as Doom's; freedoom as Freedoom's\n"
     "  --report           each level's mean and worst distance (OKLab x 100) from\n"
     "                     the colours it stands for, and the poorest entries\n"},
    {"help", "help [COMMAND]", "  Shows every command, or one command's options.\n"},
};

} // namespace

QString ToolUsage()
{
    QString text = QStringLiteral("usage:\n");
    for (const Command &c : kCommands)
        text += QStringLiteral("  palmiro-tool %1\n").arg(QLatin1String(c.synopsis));
    return text + QStringLiteral(
                      "  palmiro-tool --help | --version\n"
                      "IMAGE is a PCX, PNG, BMP or GIF file; PALETTE is an ACT, GIMP, JASC-PAL,\n"
                      "RIFF PAL, Paint.NET or hex palette, told apart by their content.\n");
}

QString ToolHelp()
{
    QString text = ToolUsage();
    for (const Command &c : kCommands)
        text += QStringLiteral("\n%1:\n%2").arg(QLatin1String(c.name), QLatin1String(c.details));
    return text + QStringLiteral("\nExit status: 0 done, 1 a file refused or not written, "
                                 "2 a wrong command line.\n");
}

namespace {

const Command *Named(const QString &command)
{
    for (const Command &c : kCommands)
        if (command == QLatin1String(c.name))
            return &c;
    return nullptr;
}

} // namespace

std::optional<QString> CommandHelp(const QString &command)
{
    const Command *c = Named(command);
    if (!c)
        return std::nullopt;
    return QStringLiteral("usage: palmiro-tool %1\n%2")
        .arg(QLatin1String(c->synopsis), QLatin1String(c->details));
}

QString CommandUsage(const QString &command)
{
    const Command *c = Named(command);
    if (!c)
        return ToolUsage();
    return QStringLiteral("usage: palmiro-tool %1\n'palmiro-tool help %2' lists its options.\n")
        .arg(QLatin1String(c->synopsis), QLatin1String(c->name));
}
