// Model Kelvra-B: the model class of vqsmmodelb.
#pragma once

#include "smmodel.h"

class CX318MApp : public CCoreApp {
  public:
    CX318MApp() : CCoreApp("vqsmdata.dll", "Kelvra-B", "Qvx", "LARGE") {}
};

typedef CX318MApp CModelApp;

// The library's one model application object, built at load and destroyed at unload.
extern CModelApp theModelApp;
