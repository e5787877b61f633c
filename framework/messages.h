// The message table: keys and texts loaded from the program's own "MESSAGES"
// resource, and the expansion of "{KEY}" tokens in failure texts.
#pragma once

#include "framework/error.h"

#include <cstddef>
#include <string_view>

// Appends the entries of the named "MESSAGES" resource of this program.
ErrorRecord *message_table_load(const char *name);

// Appends entries from text in the resource's format (key:text lines).
ErrorRecord *message_table_append(const char *bytes, std::size_t size);

// Empties the table (tests only; a program loads it once).
void message_table_reset();

// The text stored for the key, or the key itself.
std::string_view message_lookup(std::string_view key);

// Replaces "{KEY}" tokens in place within `capacity` bytes (NUL included).
void expand_tokens(char *text, int capacity);
