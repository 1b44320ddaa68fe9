#pragma once
// Everything of the graphics stand-in in one include.
#include "platform/colors.h"
#include "platform/palette.h"
#include "platform/dib.h"
#include "platform/graphic.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/blit.h"
