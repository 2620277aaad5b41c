// Test double of vqsmcommon.dll (see vqsmcommon_double.h).
#include "vqsmcommon_double.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The class layout that vqsmcommon and the model library share.
struct IniFileImage {
    const void* vftable;
    char common[260];
    char modelName[520];
    char seriesName[520];
    char category[520];
};

struct DoubleState {
    std::map<std::string, std::string> texts;
    std::vector<VqsmCommonRequest> requests;
    int constructed = 0;
    int destroyed = 0;
};

DoubleState& State() {
    static DoubleState state;
    return state;
}

// The double's own virtual table; the model library never calls through it.
const void* const g_vftable[1] = {nullptr};

// A text into a zeroed field, cut to fit with its terminator.
void Put(char* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    const size_t length = std::strlen(text);
    std::memcpy(field, text, length < size ? length : size - 1);
}

} // namespace

extern "C" {

void* CIniFileImport_Construct(void* self) {
    IniFileImage* image = static_cast<IniFileImage*>(self);
    image->vftable = g_vftable;
    Put(image->common, sizeof(image->common), VQSMCOMMON_DOUBLE_COMMON_TEXT);
    Put(image->modelName, sizeof(image->modelName), VQSMCOMMON_DOUBLE_MODEL_TEXT);
    Put(image->seriesName, sizeof(image->seriesName), VQSMCOMMON_DOUBLE_SERIES_TEXT);
    Put(image->category, sizeof(image->category), VQSMCOMMON_DOUBLE_CATEGORY_TEXT);
    ++State().constructed;
    return self;
}

void CIniFileImport_Destruct(void* self) {
    static_cast<IniFileImage*>(self)->vftable = g_vftable;
    ++State().destroyed;
}

char* CIniFileImport_GetString(void* self, const char* key, int flag) {
    const IniFileImage* image = static_cast<const IniFileImage*>(self);
    VqsmCommonRequest request;
    std::memset(&request, 0, sizeof(request));
    Put(request.key, sizeof(request.key), key != nullptr ? key : "(null)");
    request.flag = flag;
    std::memcpy(request.modelName, image->modelName, sizeof(request.modelName));
    std::memcpy(request.seriesName, image->seriesName, sizeof(request.seriesName));
    std::memcpy(request.category, image->category, sizeof(request.category));
    request.modelName[sizeof(request.modelName) - 1] = '\0';
    request.seriesName[sizeof(request.seriesName) - 1] = '\0';
    request.category[sizeof(request.category) - 1] = '\0';
    DoubleState& state = State();
    state.requests.push_back(request);
    auto found = key != nullptr ? state.texts.find(key) : state.texts.end();
    return found != state.texts.end() ? &found->second[0] : nullptr;
}

void VqsmCommonDouble_Reset() { State() = DoubleState(); }

void VqsmCommonDouble_SetString(const char* key, const char* text) {
    if (text == nullptr) {
        State().texts.erase(key);
    } else {
        State().texts[key] = text;
    }
}

int VqsmCommonDouble_RequestCount() { return static_cast<int>(State().requests.size()); }

BOOL VqsmCommonDouble_GetRequest(int index, VqsmCommonRequest* request) {
    const DoubleState& state = State();
    if (index < 0 || static_cast<size_t>(index) >= state.requests.size() || request == nullptr) {
        return FALSE;
    }
    *request = state.requests[static_cast<size_t>(index)];
    return TRUE;
}

int VqsmCommonDouble_ConstructedCount() { return State().constructed; }

int VqsmCommonDouble_DestroyedCount() { return State().destroyed; }
}
