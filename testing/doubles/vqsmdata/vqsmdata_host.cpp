// The vqsmdata double as a library of the host stand-in.
#include "vqsmdata_double.h"

#include <winsim/modules.h>

#include <algorithm>

void RegisterVqsmDataDouble(const std::wstring& path, const std::vector<std::string>& missing) {
    const winsim::ModuleExport all[] = {
        {"FindPaperSize", winsim::ExportAddress(&VqsmDataDouble_FindPaperSize)},
        {"GetIconData", winsim::ExportAddress(&VqsmDataDouble_GetIconData)},
        {"GetMediumSizeNameString", winsim::ExportAddress(&VqsmDataDouble_GetMediumSizeNameString)},
        {"GetMediumTypeNameString", winsim::ExportAddress(&VqsmDataDouble_GetMediumTypeNameString)},
        {"GetStatusMessage", winsim::ExportAddress(&VqsmDataDouble_GetStatusMessage)},
        {"GetTrayNameString", winsim::ExportAddress(&VqsmDataDouble_GetTrayNameString)},
    };
    std::vector<winsim::ModuleExport> exports;
    for (const winsim::ModuleExport& entry : all) {
        if (std::find(missing.begin(), missing.end(), entry.name) == missing.end()) {
            exports.push_back(entry);
        }
    }
    winsim::RegisterModule(path, exports, &VqsmDataDouble_Entry);
}
