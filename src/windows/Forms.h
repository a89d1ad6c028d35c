#pragma once

#include "platform/Platform.h"
#include "windows/kit/Companions.h"
#include "windows/main/MainForms.h"

// Destroys every window and starts the document afresh; used when the
// process ends and between tests.
void UnloadAllForms();
