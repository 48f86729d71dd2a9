// What the lines configuration sheet reads and writes of a lines-to-cells layer: its radio
// technology, its disabled flag, its draw option (0 every data point, 1 the selection) and the
// fields that colour and label its lines. The lines layers provide it.
#pragma once

#include <string>
#include <utility>
#include <vector>

class LinesLayerSettings {
public:
    virtual std::string GetTechnology() = 0;
    virtual bool GetDisabled() = 0;
    virtual void SetDisabled(bool disabled) = 0;
    virtual int GetDrawOption() = 0;
    virtual void SetDrawOption(int option) = 0;
    virtual std::string GetColorByField() = 0;
    virtual void SetColorByField(const std::string& field) = 0;
    virtual std::string GetLabelByField() = 0;
    virtual void SetLabelByField(const std::string& field) = 0;

protected:
    ~LinesLayerSettings() = default;
};

// The serving-lines and neighbour-lines layers (either may be null) of one cell-site layer.
using LinesLayerPair = std::pair<LinesLayerSettings*, LinesLayerSettings*>;
