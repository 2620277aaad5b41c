#include "cleanup.h"

const wchar_t ToolLogName[] = L"vqcleanlog";

int RunCleanup() { return 0; }
