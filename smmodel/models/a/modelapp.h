// Model Kelvra-A: the model class of vqsmmodela.
#pragma once

#include "smmodel.h"

class CX940RApp : public CCoreApp {
  public:
    CX940RApp() : CCoreApp("vqsmdata.dll", "Kelvra-A", "Qvx", "LARGE") {}
};

typedef CX940RApp CModelApp;

// The library's one model application object, built at load and destroyed at unload.
extern CModelApp theModelApp;
