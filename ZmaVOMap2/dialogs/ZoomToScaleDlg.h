// The "Zoom to Scale" dialog: the map's centre and either the window's width in map units or a
// scale, typed or chosen from five presets, in inches or centimetres of screen.
#pragma once

#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Window.h"

class CZoomToScaleDlg : public platform::Dialog {
public:
    CZoomToScaleDlg();

    // Set before the dialog runs; the window width, centre and length unit are its answer.
    double windowWidth = 0;
    double screenLength = 0;
    double centerX = 0, centerY = 0;
    double initialWindowWidth = 0;
    long mapUnit = 0;
    long lengthUnit = 0;

    // The denominator of a preset scale button; -1 for any other identifier.
    static double PresetDenominator(int button);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    bool OnCommand(WORD id, WORD code);
    void OnScaleChoice(int button);
    void OnOK();
    void LoadUnitSelection();
    void SelectLengthUnit(long code);
    // Writes `value` into edit `id`: as a number, or as a stand-in where it follows a text that
    // gives no width (a scale of "abc" gives a width of 0, which stands for none).
    void WriteText(int id, double value, bool number);
    void WriteScaleText();
    // The width edit's width by the rule; a text it refuses still gives the number it starts with,
    // which the scale then shows as a stand-in.
    void ReadWidth();
    double ReadText(int id) const;
    void EnableEditing(bool enable);
    // The widths the map can show: above 0 and at most the world's, in the map's unit; and the
    // scales that give them.
    NumberRange Widths() const;
    NumberRange Scales() const;

    bool updating_ = false;
    // Whether the window width is one the dialog can take: the map's, or one the rule took from a
    // text; not the number a refused text starts with.
    bool widthRead_ = true;
};
