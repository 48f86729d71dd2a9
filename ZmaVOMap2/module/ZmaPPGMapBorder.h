// The property page on which a user chooses whether the map is framed by a border.
#pragma once

#include "platform/PropertyPage.h"

class CZmaPPGMapBorder : public platform::PropertyPageImpl<CZmaPPGMapBorder> {
public:
    CZmaPPGMapBorder();

    platform::Dialog& PageDialog() noexcept { return dialog_; }
    void OnPageActivated();
    HRESULT ApplyChanges();

private:
    class PageDialogImpl : public platform::Dialog {
    public:
        explicit PageDialogImpl(CZmaPPGMapBorder& page);

    protected:
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

    private:
        CZmaPPGMapBorder& page_;
    };

    // Index of the checked radio button of the group: 0 "&None", 1 "&Single", -1 none.
    int CheckedIndex() const;

    PageDialogImpl dialog_;
};
