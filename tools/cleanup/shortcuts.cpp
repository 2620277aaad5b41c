#include "cleanup.h"
