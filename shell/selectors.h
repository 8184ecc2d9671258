// The selector handlers behind PluginMain and the handle management they
// share. Main thread only; the globals of plugin_globals.h carry the state.
#pragma once

#include "records/plugin_globals.h"

void CreateDataHandle();
// Locks both handles (gParams, gData): a missing handle gives -30100, a null
// address -108.
void LockHandles();
void UnlockHandles();
void InitParameters();
void InitData();

bool GetAdvanceStateAvailable();
bool GetDisplayPixelsAvailable();
// Grey or RGB at 8, 16 or 32 bits: the modes the plug-in reads.
bool ImageModeIsReadable();

void DoParameters();
void DoPrepare();
void DoStart();
void DoContinue();
void DoFinish();
