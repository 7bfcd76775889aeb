#pragma once

// Resources that the program's resource script gives the window.
#define IDI_QUILLET 1
