#include "app/Placement.h"

#include <algorithm>
#include <vector>

namespace {

long long area(const QRect &r)
{
    return r.isEmpty() ? 0 : (long long)r.width() * r.height();
}

int clampInto(int at, int length, int low, int high)
{
    return std::max(low, std::min(at, high - length + 1));
}

} // namespace

QPoint PlaceBesideWindows(const QRect &available, const QRect &pallet, const QRect &main,
                          const QRect &screen, const QSize &size)
{
    const QRect group = pallet | main | screen;
    const QRect kept = pallet | main;
    const int w = size.width();
    const int h = size.height();
    const int y = clampInto(main.top(), h, available.top(), available.bottom());
    const int x = clampInto(main.center().x() - w / 2, w, available.left(), available.right());
    const QPoint left(group.left() - w, y);
    const QPoint right(group.right() + 1, y);
    const bool roomierLeft = group.left() - available.left() > available.right() - group.right();
    // In order of preference; the first that hides the least of the picture wins.
    const std::vector<QPoint> candidates{roomierLeft ? left : right,     roomierLeft ? right : left,
                                         {available.right() - w + 1, y}, {available.left(), y},
                                         {x, group.bottom() + 1},        {x, group.top() - h}};
    const QPoint *best = nullptr;
    long long hidden = 0;
    for (const QPoint &at : candidates) {
        const QRect frame(at, size);
        if (!available.contains(frame) || frame.intersects(kept))
            continue;
        const long long covered = area(frame & screen);
        if (!best || covered < hidden)
            best = &at, hidden = covered;
    }
    if (best)
        return *best;
    return {clampInto(right.x(), w, available.left(), available.right()), y};
}
