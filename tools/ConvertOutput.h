#pragma once

// Where palmiro-tool convert writes its pictures.
#include "formats/ImageExport.h"

#include <QString>

#include <optional>
#include <variant>

struct ConvertOutput {
    bool folder = false; // else one file
    ExportFormat format = ExportFormat::Png;
};

// OUT for `pictures` pictures, or why it cannot take them. A folder that is there, or a name
// ending in '/', takes any number; any other name is one file for one picture. A file's
// extension decides its format, `format` (--format) only where there is none.
std::variant<ConvertOutput, QString>
PlanConvertOutput(const QString &out, std::optional<ExportFormat> format, int pictures);

// "png", "pcx", "bmp" or "gif".
QLatin1String ExtensionOf(ExportFormat format);
