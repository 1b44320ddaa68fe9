#pragma once
// The GIF image library: the document model, reading and writing GIF files, LZW coding,
// colour reduction, dithering and optimisation.
#include "gif/gif_types.h"
#include "gif/gif_colormap.h"
#include "gif/gif_items.h"
#include "gif/gif_extensions.h"
#include "gif/gif_subimage.h"
#include "gif/gif_image.h"
#include "gif/color_types.h"
