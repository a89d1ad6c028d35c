#include "platform/Platform.h"

namespace {

Platform *platform = nullptr;

} // namespace

Platform &ThePlatform()
{
    return *platform;
}

void SetPlatform(Platform *p)
{
    platform = p;
}
