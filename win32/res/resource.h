// Resource identifiers of q836.exe.
#pragma once

#define IDI_Q836 1
