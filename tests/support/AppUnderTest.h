#pragma once

#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"

#include <QTest>

// Starts the program as its start-up does, against a scripted platform.
inline bool StartApplication(Platform *platform)
{
    SetPlatform(platform);
    FrmMain().Form_Load();
    FrmMain().show();
    return QTest::qWaitForWindowExposed(&FrmMain());
}

// Every window gone and the shared state as the process starts.
inline void EndApplication()
{
    UnloadAllForms();
    mdlGlobal::ResetSharedState();
}
