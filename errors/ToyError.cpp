#include "errors/ToyError.h"

#include <exception>
#include <utility>

CKVErr::CKVErr(std::string text, std::int32_t code) : text(std::move(text)), code(code) {}

CKVErr RecordOfCurrentException()
{
    try {
        throw;
    } catch (const CKVErr& record) {
        return record;
    } catch (const std::exception& exception) {
        return CKVErr(exception.what(), 0);
    } catch (...) {
        return CKVErr(UNKNOWN_EXCEPTION_TEXT, 0);
    }
}

const std::string REGISTRY_ROOT = "Software\\Quillfen Ltd\\Wimbleset\\";
const std::string PLUGINS_FOLDER_SPARE = "Plugins\\";
const std::string PLUGINS_FOLDER = "Plugins\\";
const std::string LOGS_FOLDER = "Logs\\";
const std::string PACKAGE_EXTENSION = "kvd";
const std::string TEMP_EXTENSION = "~kv";
const std::string LIBRARY_EXTENSION = "kvp";
const std::string VALUE_NAME = "Name";
const std::string VALUE_TYPE = "Type";
const std::string VALUE_VERSION = "Version";
const std::string VALUE_RELEASE_DATE = "ReleaseDate";
const std::string VALUE_DETAILS = "Details";
const std::string VALUE_ACTIVE = "Active";
const std::string VALUE_EXECUTES = "Executes";
const std::string TYPE_TOY = "TOY";
const std::string TYPE_PLUGIN = "PLUGIN";
const std::string TYPE_NOTIFY = "NOTIFY";
const std::string UNKNOWN_EXCEPTION_TEXT = "Unknown exception";
const CKVErr ERR_SETTING_OPTIONS{"Error setting options", 1};
const CKVErr ERR_SHOWING_OPTION_DIALOG{"Error showing option dialog", 2};
const CKVErr ERR_SAVING_OPTIONS{"Error saving options", 3};
const CKVErr ERR_WRITING_LOCAL_FILE{"Error writing to local file", 4};
const CKVErr ERR_READING_LOCAL_FILE{"Error reading from local file", 5};
const CKVErr ERR_SETTING_REGISTRY_VALUE{"Error setting registry value", 6};
const CKVErr ERR_HANDLING_ERROR{"Error handling error", 7};
const CKVErr ERR_CREATING_TOY_WINDOW{"Error creating toy window", 8};
const CKVErr ERR_SETTING_ANIMATION_TIMER{"Error setting animation timer", 9};
const CKVErr ERR_SETTING_UP_TOY_GRAPHICS{"Error setting up toy graphics", 10};
const CKVErr ERR_EXTRACTING_RESOURCE{"Error extracting resource to a file", 11};
const CKVErr ERR_HANDLING_RESOURCE_ERROR{"Error handling resource to file error", 12};
const CKVErr ERR_SETTING_UP_HOOKS{"Error setting up windows hooks", 13};
const CKVErr ERR_SHUTTING_DOWN_HOOKS{"Error shutting down windows hooks", 14};
const CKVErr ERR_NO_PLUGINS_LOADED{"Error no plugins loaded", 15};
const CKVErr ERR_TOY_ALREADY_RUNNING{"Toy is already running", 16};
const CKVErr ERR_SETTING_UP_PLUGIN{"Error setting up the plugin", 1};
const CKVErr ERR_SETTING_UP_PLUGINS_MENU{"Error settign up the plugins menu", 2};
const CKVErr ERR_SETTING_UP_DESKTOP_TOY{"Error setting up desktop toy", 1};
const CKVErr ERR_READING_HEADER_FROM_FILE{"Error reading plugin header from file", 3};
const CKVErr ERR_READING_HEADER_FROM_RESOURCE{"Error reading plugin header from resource", 4};
const CKVErr ERR_READING_HEADER_FROM_REGISTRY{"Error reading plugin header from registry", 5};
const CKVErr ERR_BUILDING_STANDARD_HEADER{"Error building standard plugin header", 6};
const CKVErr ERR_READING_HEADER_FROM_RESOURCE2{"Error reading plugin header from resource", 7};
const CKVErr ERR_SETTING_REGISTRY_KEY_VALUE{"Error setting specified registry key value", 8};
const CKVErr ERR_UNREGISTERING{"Error unregistering an application or plugin", 9};
const CKVErr ERR_GETTING_REGISTRY_KEY_VALUE{"Error getting specified registry key value", 10};
const CKVErr ERR_COMPLETING_PLUGIN{"Error completing plugin", 1};
const CKVErr ERR_CREATING_LOG_FILE{"Error creating new error log file", 1};
