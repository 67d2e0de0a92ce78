// Owner of a zlib gzip file. A close whose result matters (zlib reports a
// damaged stream there) is done explicitly with gzclose(Release()).
#pragma once

#include <zlib.h>

#include "support/UniqueHandle.h"

using GzFile = UniqueHandle<ClosedBy<gzFile, gzclose>>;
