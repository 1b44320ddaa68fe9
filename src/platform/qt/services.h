#pragma once
// Every service of the desktop that blocks or reaches outside the process, one header each;
// each holds the real implementation behind a small interface that a test can replace.
#include "platform/qt/choose_dialogs.h"
#include "platform/qt/cursors.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/mm_timer.h"
#include "platform/qt/modal.h"
#include "platform/qt/processes.h"
#include "platform/qt/screen.h"
#include "platform/qt/shell.h"
#include "platform/qt/sound.h"
#include "platform/qt/window_update.h"
