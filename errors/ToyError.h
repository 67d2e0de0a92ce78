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

// Shared text constants, built in this order before the catalogue.
inline const std::string REGISTRY_ROOT = "Software\\Quillfen Ltd\\Wimbleset\\";
inline const std::string PLUGINS_FOLDER_SPARE = "Plugins\\";
inline const std::string PLUGINS_FOLDER = "Plugins\\";
inline const std::string LOGS_FOLDER = "Logs\\";
inline const std::string PACKAGE_EXTENSION = "kvd";
inline const std::string TEMP_EXTENSION = "~kv";
inline const std::string LIBRARY_EXTENSION = "kvp";
inline const std::string VALUE_NAME = "Name";
inline const std::string VALUE_TYPE = "Type";
inline const std::string VALUE_VERSION = "Version";
inline const std::string VALUE_RELEASE_DATE = "ReleaseDate";
inline const std::string VALUE_DETAILS = "Details";
inline const std::string VALUE_ACTIVE = "Active";
inline const std::string VALUE_EXECUTES = "Executes";
inline const std::string TYPE_TOY = "TOY";
inline const std::string TYPE_PLUGIN = "PLUGIN";
inline const std::string TYPE_NOTIFY = "NOTIFY";

// The catalogue. Codes restart at 1 in each group, so a record is told apart
// from another only by its text together with its code.
// The toy:
inline const CKVErr ERR_SETTING_OPTIONS{"Error setting options", 1};
inline const CKVErr ERR_SHOWING_OPTION_DIALOG{"Error showing option dialog", 2};
inline const CKVErr ERR_SAVING_OPTIONS{"Error saving options", 3};
inline const CKVErr ERR_WRITING_LOCAL_FILE{"Error writing to local file", 4};
inline const CKVErr ERR_READING_LOCAL_FILE{"Error reading from local file", 5};
inline const CKVErr ERR_SETTING_REGISTRY_VALUE{"Error setting registry value", 6};
inline const CKVErr ERR_HANDLING_ERROR{"Error handling error", 7};
inline const CKVErr ERR_CREATING_TOY_WINDOW{"Error creating toy window", 8};
inline const CKVErr ERR_SETTING_ANIMATION_TIMER{"Error setting animation timer", 9};
inline const CKVErr ERR_SETTING_UP_TOY_GRAPHICS{"Error setting up toy graphics", 10};
inline const CKVErr ERR_EXTRACTING_RESOURCE{"Error extracting resource to a file", 11};
inline const CKVErr ERR_HANDLING_RESOURCE_ERROR{"Error handling resource to file error", 12};
inline const CKVErr ERR_SETTING_UP_HOOKS{"Error setting up windows hooks", 13};
inline const CKVErr ERR_SHUTTING_DOWN_HOOKS{"Error shutting down windows hooks", 14};
inline const CKVErr ERR_NO_PLUGINS_LOADED{"Error no plugins loaded", 15};
inline const CKVErr ERR_TOY_ALREADY_RUNNING{"Toy is already running", 16};
// A plugin:
inline const CKVErr ERR_SETTING_UP_PLUGIN{"Error setting up the plugin", 1};
inline const CKVErr ERR_SETTING_UP_PLUGINS_MENU{"Error settign up the plugins menu", 2};
// Headers and the registry (there is no code 2; codes 4 and 7 share their text):
inline const CKVErr ERR_SETTING_UP_DESKTOP_TOY{"Error setting up desktop toy", 1};
inline const CKVErr ERR_READING_HEADER_FROM_FILE{"Error reading plugin header from file", 3};
inline const CKVErr ERR_READING_HEADER_FROM_RESOURCE{"Error reading plugin header from resource", 4};
inline const CKVErr ERR_READING_HEADER_FROM_REGISTRY{"Error reading plugin header from registry", 5};
inline const CKVErr ERR_BUILDING_STANDARD_HEADER{"Error building standard plugin header", 6};
inline const CKVErr ERR_READING_HEADER_FROM_RESOURCE2{"Error reading plugin header from resource", 7};
inline const CKVErr ERR_SETTING_REGISTRY_KEY_VALUE{"Error setting specified registry key value", 8};
inline const CKVErr ERR_UNREGISTERING{"Error unregistering an application or plugin", 9};
inline const CKVErr ERR_GETTING_REGISTRY_KEY_VALUE{"Error getting specified registry key value", 10};
// Plugin completion:
inline const CKVErr ERR_COMPLETING_PLUGIN{"Error completing plugin", 1};
// The error log:
inline const CKVErr ERR_CREATING_LOG_FILE{"Error creating new error log file", 1};
