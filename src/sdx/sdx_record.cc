#include "sdx/sdx_record.h"
