// The error record that plugin code throws, its catalogue, and the text
// constants that the host and every plugin library share. Plugins throw
// CKVErr by value; only the host's entry point catches it.
#pragma once

#include <cstdint>
#include <string>

class CKVErr {
public:
    CKVErr(std::string text, std::int32_t code);

    std::string text;
    std::int32_t code;
};

// The exception being handled as a record, for code that must report it or
// unload libraries after it: a CKVErr as it is, any other exception as its
// what() text (UNKNOWN_EXCEPTION_TEXT when it is no std::exception) with code
// 0. The copy lives in the caller's module, so the thrown object, which may
// have its code in a plugin library, can die before that library is unloaded.
// Call it inside a catch block only.
CKVErr RecordOfCurrentException();

// Shared text constants, built in this order before the catalogue. Each is
// defined once, in the framework library: a constant defined in the header
// would be built by every plugin source at its own language level, and a
// C++17 copy (dynamically built) and a C++20 one (built at compile time) of
// the same inline variable do not mix, leaving every constant empty.
extern const std::string REGISTRY_ROOT;
extern const std::string PLUGINS_FOLDER_SPARE;
extern const std::string PLUGINS_FOLDER;
extern const std::string LOGS_FOLDER;
extern const std::string PACKAGE_EXTENSION;
extern const std::string TEMP_EXTENSION;
extern const std::string LIBRARY_EXTENSION;
extern const std::string VALUE_NAME;
extern const std::string VALUE_TYPE;
extern const std::string VALUE_VERSION;
extern const std::string VALUE_RELEASE_DATE;
extern const std::string VALUE_DETAILS;
extern const std::string VALUE_ACTIVE;
extern const std::string VALUE_EXECUTES;
extern const std::string TYPE_TOY;
extern const std::string TYPE_PLUGIN;
extern const std::string TYPE_NOTIFY;
// The text of a record made from an exception that carries none.
extern const std::string UNKNOWN_EXCEPTION_TEXT;

// The catalogue. Codes restart at 1 in each group, so a record is told apart
// from another only by its text together with its code.
// The toy:
extern const CKVErr ERR_SETTING_OPTIONS;
extern const CKVErr ERR_SHOWING_OPTION_DIALOG;
extern const CKVErr ERR_SAVING_OPTIONS;
extern const CKVErr ERR_WRITING_LOCAL_FILE;
extern const CKVErr ERR_READING_LOCAL_FILE;
extern const CKVErr ERR_SETTING_REGISTRY_VALUE;
extern const CKVErr ERR_HANDLING_ERROR;
extern const CKVErr ERR_CREATING_TOY_WINDOW;
extern const CKVErr ERR_SETTING_ANIMATION_TIMER;
extern const CKVErr ERR_SETTING_UP_TOY_GRAPHICS;
extern const CKVErr ERR_EXTRACTING_RESOURCE;
extern const CKVErr ERR_HANDLING_RESOURCE_ERROR;
extern const CKVErr ERR_SETTING_UP_HOOKS;
extern const CKVErr ERR_SHUTTING_DOWN_HOOKS;
extern const CKVErr ERR_NO_PLUGINS_LOADED;
extern const CKVErr ERR_TOY_ALREADY_RUNNING;
// A plugin:
extern const CKVErr ERR_SETTING_UP_PLUGIN;
extern const CKVErr ERR_SETTING_UP_PLUGINS_MENU;
// Headers and the registry (there is no code 2; codes 4 and 7 share their text):
extern const CKVErr ERR_SETTING_UP_DESKTOP_TOY;
extern const CKVErr ERR_READING_HEADER_FROM_FILE;
extern const CKVErr ERR_READING_HEADER_FROM_RESOURCE;
extern const CKVErr ERR_READING_HEADER_FROM_REGISTRY;
extern const CKVErr ERR_BUILDING_STANDARD_HEADER;
extern const CKVErr ERR_READING_HEADER_FROM_RESOURCE2;
extern const CKVErr ERR_SETTING_REGISTRY_KEY_VALUE;
extern const CKVErr ERR_UNREGISTERING;
extern const CKVErr ERR_GETTING_REGISTRY_KEY_VALUE;
// Plugin completion:
extern const CKVErr ERR_COMPLETING_PLUGIN;
// The error log:
extern const CKVErr ERR_CREATING_LOG_FILE;
