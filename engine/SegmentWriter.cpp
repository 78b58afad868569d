#include "engine/Zendra.h"
