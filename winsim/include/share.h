// Sharing modes of the run-time's file opening.
#pragma once

#include <winsim/crt.h>
