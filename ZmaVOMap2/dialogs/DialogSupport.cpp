#include "ZmaVOMap2/dialogs/DialogSupport.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Result.h"

#include <vector>

using platform::ComPtr;
using platform::Variant;

namespace layerdialogs {

ComPtr<IDispatch> GetObjectProperty(IDispatch* object, DISPID id) {
    ComPtr<IDispatch> out = platform::DispatchOf(EngineDispatch(platform::ThrowIfNull(object)).Get(id));
    platform::ThrowIfNull(out.Get());
    return out;
}

long MapDistanceUnit(IDispatch* map) {
    return EngineDispatch(platform::ThrowIfNull(map)).Get(Engine::Map::kDistanceUnit).ToLong();
}

double MapDistance(IDispatch* map, double x1, double y1, double x2, double y2) {
    return EngineDispatch(platform::ThrowIfNull(map))
        .Call(Engine::Map::kDistance, {Variant(x1), Variant(y1), Variant(x2), Variant(y2)})
        .ToDouble();
}

ComPtr<IDispatch> NewRectangle() {
    CLSID rectangleClass;
    THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
    ComPtr<IDispatch> rectangle;
    THROW_IF_FAILED(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, rectangle.PutVoid()));
    return rectangle;
}

void SetAutoRedraw(IDispatch* map, bool on) {
    if (map) EngineDispatch(map).Put(Engine::Map::kAutoRedraw, Variant(on));
}

const char* UnitCaption(long unit) {
    struct Entry {
        long code;
        const char* caption;
    };
    static constexpr Entry kCaptions[] = {
        {0, "Mi"},   {1, "Km"},   {2, "In"},   {3, "Ft"},   {4, "Yrd"},  {5, "Mm"},   {6, "Cm"},
        {7, "Mt"},   {8, "SFt"},  {9, "NMi"},  {10, "Twp"}, {11, "Pt"},  {12, "Pica"}, {13, "Deg"},
        {30, "Lnk"}, {31, "Ch"},  {32, "Rod"}};
    for (const Entry& e : kCaptions)
        if (e.code == unit) return e.caption;
    return "";
}

std::string ItemText(HWND dialog, int id, int limit) {
    std::vector<char> text(static_cast<size_t>(limit) + 1, '\0');
    ::GetDlgItemTextA(dialog, id, text.data(), limit + 1);
    return text.data();
}

void SetItemText(HWND dialog, int id, const std::string& text) { ::SetDlgItemTextA(dialog, id, text.c_str()); }

void SetItemNumber(HWND dialog, int id, double value, int decimals) { WriteDialogNumber(dialog, id, value, decimals); }

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { ::CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Enable(HWND dialog, int id, bool on) { ::EnableWindow(::GetDlgItem(dialog, id), on ? TRUE : FALSE); }

std::string EscapeControlCharacters(const std::string& text) {
    std::string shown;
    for (char c : text) {
        switch (c) {
        case '\n': shown += "\\n"; break;
        case '\r': shown += "\\r"; break;
        case '\t': shown += "\\t"; break;
        default: shown += c;
        }
    }
    return shown;
}

std::string UnescapeControlCharacters(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 'r' || next == 't') {
                plain += next == 'n' ? '\n' : next == 'r' ? '\r' : '\t';
                ++i;
                continue;
            }
        }
        plain += text[i];
    }
    return plain;
}

}  // namespace layerdialogs
