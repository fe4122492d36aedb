#pragma once
// Chief header of the image core.
#include "imaging/colour.h"
#include "imaging/image_size.h"
#include "imaging/imp_exp_exception.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
