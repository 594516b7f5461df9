#include "export/ExportFiles.h"
