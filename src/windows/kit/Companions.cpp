#include "windows/kit/Companions.h"

#include "app/Placement.h"

#include <QScreen>
#include <QWidget>

namespace {

Companions companions;

} // namespace

void SetCompanions(Companions c)
{
    companions = std::move(c);
}

bool IsCompanion(const QWidget *window)
{
    return companions.main &&
           (window == companions.main() || window == companions.pallet() ||
            window == companions.screen());
}

QWidget *MainWindow()
{
    return companions.main ? companions.main() : nullptr;
}

QPoint PlaceBesideWindows(const QSize &frame)
{
    QWidget *main = companions.main();
    return ::PlaceBesideWindows(main->screen()->availableGeometry(),
                                companions.pallet()->frameGeometry(), main->frameGeometry(),
                                companions.screen()->frameGeometry(), frame);
}

void MoveBesideWindows(QWidget *dialog)
{
    dialog->adjustSize();
    QWidget *main = companions.main();
    dialog->move(PlaceBesideWindows(dialog->size() + main->frameGeometry().size() - main->size()));
}
