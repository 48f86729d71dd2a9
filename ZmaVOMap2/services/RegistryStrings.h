// String values under the product's registry key (HKEY_CURRENT_USER "Software\Zemro\Terravex").
#pragma once

#include <string>

// "Software\Zemro\Terravex\<subkey>".
std::string GetRegistryKeyPath(const std::string& subkey);
// The value's text up to its first zero; empty when the key or the value cannot be read.
std::string ReadRegistryString(const std::string& subkey, const std::string& name);
// Stores the text as REG_SZ, creating the key when it is missing; false when it cannot.
bool WriteRegistryString(const std::string& subkey, const std::string& name, const std::string& text);
