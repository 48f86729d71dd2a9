// A coordinate system: projection type, units, datum, bounds and ten projection parameters. Kept,
// copied and persisted; the view's projection does not depend on it.
#pragma once

#include "standins/mapengine/Datum.h"
#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Rectangle.h"

#include "MapEngine.h"

namespace mapengine {

struct CoordSysValues {
    short type = 1;     // longitude / latitude
    short units = 13;   // degree
    double originLongitude = 0, originLatitude = 0;
    double standardParallelOne = 0, standardParallelTwo = 0;
    double azimuth = 0, scaleFactor = 1, falseEasting = 0, falseNorthing = 0, range = 90;
};

class CoordSys : public EngineComObject<CoordSys>, private CoordSysValues {
    friend class MemberTable<CoordSys>;

public:
    static constexpr const wchar_t* kName = L"CoordSys";
    static const IID& DispInterfaceId() { return DIID_DCoordSys; }
    static const MemberTable<CoordSys>& Members();

    static platform::ComPtr<CoordSys> MakeDefault();
    platform::ComPtr<CoordSys> Clone();

private:
    void GetDatum(Call& c);
    void GetBounds(Call& c);
    void Set(Call& c);
    void PickCoordSys(Call& c);
    void CloneMember(Call& c);

    platform::ComPtr<Datum> datum_;
    platform::ComPtr<Rectangle> bounds_;
};

}  // namespace mapengine
