// What the command line says about the person in front of the program, handed the same
// way to whichever host a run talks to: the windows or the unattended mode.
#pragma once
#include "scripts/AnswerFile.h"

class LogFile;

struct HostSettings {
    bool suppressMsgBoxes = false; // unattended: every question takes its default answer
    bool noRestart = false;        // /NORESTART: Windows is never restarted
    bool noCancel = false;         // /NOCANCEL: the abort button stays disabled
    LogFile* log = nullptr;        // where the run's lines go; nullptr: nowhere
    // /LOADINF: the wizard's pages start with these choices, an unattended run takes them
    // as its answers. Empty: every choice keeps its default.
    AnswerFile answers;
};
