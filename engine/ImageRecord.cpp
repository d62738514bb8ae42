#include "engine/ImageRecord.h"

// The record and its format helpers are header-only; this unit keeps the library non-empty and
// checks that the header stands on its own.
