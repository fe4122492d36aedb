#pragma once
// Chief header of the image core.
#include "base/colour.h"
#include "imaging/image_size.h"
#include "base/imp_exp_exception.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
