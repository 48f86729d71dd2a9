// Switches that tests set through the environment of the test process. They are read when each
// map is created (and, for the dialog answer, when a dialog is called), so tests that run side by
// side never share them.
//
//   VADAZ_ENGINE_FAULTS   comma-separated: no-viewobjectex, no-oleobject, no-persiststreaminit
//                         (the map answers E_NOINTERFACE for that interface), fail-create or
//                         fail-create=0x8XXXXXXX (creating a map fails with E_FAIL or that code),
//                         fail-export (every picture export fails with E_FAIL),
//                         fail-addfeature, fail-deletefeature (a layer's AddFeature or DeleteFeature
//                         fails with E_FAIL; read at each call), fail-zoom (setting a layer's or
//                         its labels' zoom range fails with E_FAIL; read at each call),
//                         fail-printmap (PrintMap fails with E_FAIL; read at each call),
//                         fail-bounds (setting the map's bounds fails with E_FAIL; read at each
//                         call), fail-userdraw (AddUserDrawLayer fails with E_FAIL; read at each
//                         call)
//   VADAZ_ENGINE_DIALOGS  "cancel": every engine dialog answers VARIANT_FALSE; else VARIANT_TRUE
#pragma once

#include <windows.h>

#include <string>

namespace mapengine {

struct FaultSwitches {
    bool noViewObjectEx = false;
    bool noOleObject = false;
    bool noPersistStreamInit = false;
    HRESULT failCreate = S_OK;
    bool failExport = false;
    bool failAddFeature = false;
    bool failDeleteFeature = false;
    bool failZoom = false;
    bool failPrintMap = false;
    bool failBounds = false;
    bool failUserDraw = false;

    static FaultSwitches Parse(const std::wstring& text);
    static FaultSwitches FromEnvironment();
};

// The answer of the engine's (windowless) dialogs.
bool DialogsAnswerOk();

}  // namespace mapengine
