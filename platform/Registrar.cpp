#include "platform/Registrar.h"

#include "platform/Com.h"
#include "platform/UniqueHandle.h"

#include <shlwapi.h>

#include <cwctype>
#include <vector>

namespace platform {

namespace {

struct Token {
    enum Kind { Word, Quoted, Open, Close, Equals, End } kind;
    std::wstring text;
};

bool IsGuidAt(const std::wstring& s, size_t i) {
    // "{8-4-4-4-12}" written unquoted as a key name.
    static const wchar_t pattern[] = L"{hhhhhhhh-hhhh-hhhh-hhhh-hhhhhhhhhhhh}";
    const size_t len = sizeof pattern / sizeof pattern[0] - 1;
    if (i + len > s.size()) return false;
    for (size_t k = 0; k < len; ++k) {
        wchar_t p = pattern[k], c = s[i + k];
        if (p == L'h' ? !std::iswxdigit(c) : c != p) return false;
    }
    return true;
}

class Lexer {
public:
    explicit Lexer(const std::wstring& s) : s_(s) {}

    bool Next(Token& t) {
        while (pos_ < s_.size() && std::iswspace(s_[pos_])) ++pos_;
        if (pos_ >= s_.size()) { t = {Token::End, L""}; return true; }
        wchar_t c = s_[pos_];
        if (c == L'{' && IsGuidAt(s_, pos_)) {
            t = {Token::Word, s_.substr(pos_, 38)};
            pos_ += 38;
            return true;
        }
        if (c == L'{') { ++pos_; t = {Token::Open, L"{"}; return true; }
        if (c == L'}') { ++pos_; t = {Token::Close, L"}"}; return true; }
        if (c == L'=') { ++pos_; t = {Token::Equals, L"="}; return true; }
        if (c == L'\'') {
            std::wstring text;
            ++pos_;
            for (;;) {
                if (pos_ >= s_.size()) return false;
                if (s_[pos_] == L'\'') {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == L'\'') { text += L'\''; pos_ += 2; continue; }
                    ++pos_;
                    break;
                }
                text += s_[pos_++];
            }
            t = {Token::Quoted, text};
            return true;
        }
        size_t start = pos_;
        while (pos_ < s_.size() && !std::iswspace(s_[pos_]) && s_[pos_] != L'{' && s_[pos_] != L'}' &&
               s_[pos_] != L'=' && s_[pos_] != L'\'')
            ++pos_;
        t = {Token::Word, s_.substr(start, pos_ - start)};
        return true;
    }

private:
    const std::wstring& s_;
    size_t pos_ = 0;
};

struct Value {
    bool present = false;
    wchar_t type = L's';  // 's' string, 'd' DWORD
    std::wstring text;
};

struct KeyNode {
    enum Mode { Normal, NoRemove, ForceRemove } mode = Normal;
    std::wstring name;
    Value defaultValue;
    std::vector<std::pair<std::wstring, Value>> values;
    std::vector<KeyNode> children;
};

class Parser {
public:
    explicit Parser(const std::wstring& s) : lex_(s) {}

    bool ParseRoots(std::vector<KeyNode>& roots) {
        if (!Advance()) return false;
        while (tok_.kind != Token::End) {
            if (tok_.kind != Token::Word) return false;
            KeyNode root;
            root.mode = KeyNode::NoRemove;
            root.name = tok_.text;
            if (!Advance() || tok_.kind != Token::Open) return false;
            if (!ParseBlock(root)) return false;
            roots.push_back(std::move(root));
        }
        return true;
    }

private:
    bool Advance() { return lex_.Next(tok_); }

    static bool Is(const Token& t, const wchar_t* word) {
        return (t.kind == Token::Word) && ::lstrcmpiW(t.text.c_str(), word) == 0;
    }

    bool ParseValue(Value& v) {
        // current token is '='
        if (!Advance() || tok_.kind != Token::Word || tok_.text.size() != 1) return false;
        v.type = static_cast<wchar_t>(std::towlower(tok_.text[0]));
        if (v.type != L's' && v.type != L'd') return false;
        if (!Advance() || (tok_.kind != Token::Quoted && tok_.kind != Token::Word)) return false;
        v.text = tok_.text;
        v.present = true;
        return Advance();
    }

    // Current token is '{'; consumes through the matching '}'.
    bool ParseBlock(KeyNode& parent) {
        if (!Advance()) return false;
        while (tok_.kind != Token::Close) {
            if (tok_.kind == Token::End) return false;
            if (Is(tok_, L"val")) {
                if (!Advance() || (tok_.kind != Token::Word && tok_.kind != Token::Quoted)) return false;
                std::wstring name = tok_.text;
                Value v;
                if (!Advance() || tok_.kind != Token::Equals || !ParseValue(v)) return false;
                parent.values.emplace_back(name, v);
                continue;
            }
            KeyNode key;
            if (Is(tok_, L"NoRemove")) { key.mode = KeyNode::NoRemove; if (!Advance()) return false; }
            else if (Is(tok_, L"ForceRemove")) { key.mode = KeyNode::ForceRemove; if (!Advance()) return false; }
            if (tok_.kind != Token::Word && tok_.kind != Token::Quoted) return false;
            key.name = tok_.text;
            if (!Advance()) return false;
            if (tok_.kind == Token::Equals && !ParseValue(key.defaultValue)) return false;
            if (tok_.kind == Token::Open && !ParseBlock(key)) return false;
            parent.children.push_back(std::move(key));
        }
        return Advance();
    }

    Lexer lex_;
    Token tok_{Token::End, L""};
};

std::wstring Replace(const std::wstring& text, const RegistrarReplacements& replacements) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%') {
            size_t end = text.find(L'%', i + 1);
            if (end != std::wstring::npos) {
                auto it = replacements.find(text.substr(i + 1, end - i - 1));
                if (it != replacements.end()) {
                    out += it->second;
                    i = end;
                    continue;
                }
            }
        }
        out += text[i];
    }
    return out;
}

HKEY RootKey(const std::wstring& name) {
    if (!::lstrcmpiW(name.c_str(), L"HKCR") || !::lstrcmpiW(name.c_str(), L"HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
    if (!::lstrcmpiW(name.c_str(), L"HKCU") || !::lstrcmpiW(name.c_str(), L"HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
    if (!::lstrcmpiW(name.c_str(), L"HKLM") || !::lstrcmpiW(name.c_str(), L"HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
    return nullptr;
}

LONG SetValue(HKEY key, const wchar_t* name, const Value& v, const RegistrarReplacements& r) {
    std::wstring text = Replace(v.text, r);
    if (v.type == L'd') {
        DWORD d = static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 0));
        return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), sizeof d);
    }
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG Register(HKEY parent, const KeyNode& node, const RegistrarReplacements& r) {
    std::wstring name = Replace(node.name, r);
    if (node.mode == KeyNode::ForceRemove) ::SHDeleteKeyW(parent, name.c_str());
    UniqueHKey key;
    LONG err = ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    if (err != ERROR_SUCCESS) return err;
    if (node.defaultValue.present && (err = SetValue(key.Get(), nullptr, node.defaultValue, r)) != ERROR_SUCCESS) return err;
    for (const auto& v : node.values) {
        std::wstring valueName = Replace(v.first, r);
        if ((err = SetValue(key.Get(), valueName.c_str(), v.second, r)) != ERROR_SUCCESS) return err;
    }
    for (const KeyNode& child : node.children) {
        if ((err = Register(key.Get(), child, r)) != ERROR_SUCCESS) return err;
    }
    return ERROR_SUCCESS;
}

LONG Unregister(HKEY parent, const KeyNode& node, const RegistrarReplacements& r) {
    std::wstring name = Replace(node.name, r);
    if (node.mode != KeyNode::NoRemove) {
        DWORD err = ::SHDeleteKeyW(parent, name.c_str());
        return (err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND) ? ERROR_SUCCESS : static_cast<LONG>(err);
    }
    UniqueHKey key;
    if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS) return ERROR_SUCCESS;
    for (const auto& v : node.values) {
        std::wstring valueName = Replace(v.first, r);
        ::RegDeleteValueW(key.Get(), valueName.c_str());
    }
    LONG result = ERROR_SUCCESS;
    for (const KeyNode& child : node.children) {
        LONG err = Unregister(key.Get(), child, r);
        if (err != ERROR_SUCCESS && result == ERROR_SUCCESS) result = err;
    }
    return result;
}

}  // namespace

HRESULT RunRegistrationScript(const std::wstring& script, bool registering, const RegistrarReplacements& replacements) {
    std::vector<KeyNode> roots;
    if (!Parser(script).ParseRoots(roots)) return DISP_E_EXCEPTION;
    for (const KeyNode& root : roots) {
        HKEY hkey = RootKey(root.name);
        if (!hkey) return DISP_E_EXCEPTION;
        for (const KeyNode& child : root.children) {
            LONG err = registering ? Register(hkey, child, replacements) : Unregister(hkey, child, replacements);
            if (err != ERROR_SUCCESS) return HRESULT_FROM_WIN32(err);
        }
    }
    return S_OK;
}

HRESULT LoadRegistrationScript(HMODULE module, UINT id, std::wstring& script) {
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!res) return HRESULT_FROM_WIN32(::GetLastError());
    HGLOBAL data = ::LoadResource(module, res);
    DWORD size = ::SizeofResource(module, res);
    const char* text = data ? static_cast<const char*>(::LockResource(data)) : nullptr;
    if (!text) return E_FAIL;
    script = ToWide(std::string(text, size), CP_UTF8);
    return S_OK;
}

}  // namespace platform
