#include "ZmaVOMap2/engine/EngineFont.h"

#include "platform/Com.h"
#include "platform/Result.h"

void CopyFontInto(IFont* target, IFont* source) {
    platform::ThrowIfNull(target);
    platform::ThrowIfNull(source);
    BSTR name = nullptr;
    THROW_IF_FAILED(source->get_Name(&name));
    platform::Bstr face = platform::Bstr::Attach(name);
    THROW_IF_FAILED(target->put_Name(face.Get()));
    CY size = {};
    THROW_IF_FAILED(source->get_Size(&size));
    THROW_IF_FAILED(target->put_Size(size));
    SHORT weight = 0, charset = 0;
    THROW_IF_FAILED(source->get_Weight(&weight));
    THROW_IF_FAILED(target->put_Weight(weight));
    BOOL flag = FALSE;
    THROW_IF_FAILED(source->get_Italic(&flag));
    THROW_IF_FAILED(target->put_Italic(flag));
    THROW_IF_FAILED(source->get_Underline(&flag));
    THROW_IF_FAILED(target->put_Underline(flag));
    THROW_IF_FAILED(source->get_Strikethrough(&flag));
    THROW_IF_FAILED(target->put_Strikethrough(flag));
    THROW_IF_FAILED(source->get_Charset(&charset));
    THROW_IF_FAILED(target->put_Charset(charset));
}
