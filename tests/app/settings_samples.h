#pragma once
#include "base/settings.h"

namespace lp::test {

// Every key with a value different from its default (user mode on, so that the
// user-mode keys are written as they are).
inline AppSettings EveryKeyChanged() {
    AppSettings s;
    s.welcomeScreen = 0;
    s.picPosition = 8;
    s.beginnersHint = 0;
    s.spotRemover = 37;
    s.jpegQuality = 42;
    s.transparency = 2;
    s.cacheInfo = 0;
    s.magicTolerance = 12;
    s.paletteName = "Erdt\xc3\xb6ne, warm";
    s.penWidth = 9;
    s.smartReSize = 1;
    s.convToPalet = 1;
    s.userSettings = 1;
    s.zoomWindow = 1;
    s.fgRed = 1, s.fgGreen = 2, s.fgBlue = 3;
    s.bgRed = 4, s.bgGreen = 5, s.bgBlue = 6;
    s.pbWizard = 0;
    s.optType = 2;
    s.optColors = 1;
    s.optLargePics = 1;
    s.optTnailQlty = 1;
    s.modemSpeed = 56000;
    s.usePng = 1;
    s.defaultBrowser = 0x1A5;
    s.overlap = 1;
    s.mergeGapX = 7;
    s.mergeGapY = 9;
    s.stepRotation = 0.29;
    s.tmPosX = -20, s.tmPosY = 900;
    s.palPosX = 1600, s.palPosY = -4;
    s.pictureBudget = 2048;
    s.accessType = 3;
    s.proxyName = "proxy.example:3128";
    s.proxyByPass = "localhost\r\n*.lan, 10.0.0.1";
    s.downLoadDirectory = "/home/someone/Bilder mit Leerzeichen";
    s.recentFiles = {"/a/one.jpg", "/b/two, with comma.gif", "/c/@three.png", "/d/four=4.bmp", "/e/five;5.tif"};
    s.barState = "AAAA/wAAAAD9AAAAAQ==";
    return s;
}

}  // namespace lp::test
