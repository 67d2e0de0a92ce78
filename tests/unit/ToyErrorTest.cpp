#include "errors/ToyError.h"

#include <vector>

#include <gtest/gtest.h>

TEST(CKVErr, CatalogueHoldsTheTwentyNineRecordsInOrder)
{
    struct Entry {
        const CKVErr& record;
        const char* text;
        std::int32_t code;
    };
    const std::vector<Entry> catalogue = {
        {ERR_SETTING_OPTIONS, "Error setting options", 1},
        {ERR_SHOWING_OPTION_DIALOG, "Error showing option dialog", 2},
        {ERR_SAVING_OPTIONS, "Error saving options", 3},
        {ERR_WRITING_LOCAL_FILE, "Error writing to local file", 4},
        {ERR_READING_LOCAL_FILE, "Error reading from local file", 5},
        {ERR_SETTING_REGISTRY_VALUE, "Error setting registry value", 6},
        {ERR_HANDLING_ERROR, "Error handling error", 7},
        {ERR_CREATING_TOY_WINDOW, "Error creating toy window", 8},
        {ERR_SETTING_ANIMATION_TIMER, "Error setting animation timer", 9},
        {ERR_SETTING_UP_TOY_GRAPHICS, "Error setting up toy graphics", 10},
        {ERR_EXTRACTING_RESOURCE, "Error extracting resource to a file", 11},
        {ERR_HANDLING_RESOURCE_ERROR, "Error handling resource to file error", 12},
        {ERR_SETTING_UP_HOOKS, "Error setting up windows hooks", 13},
        {ERR_SHUTTING_DOWN_HOOKS, "Error shutting down windows hooks", 14},
        {ERR_NO_PLUGINS_LOADED, "Error no plugins loaded", 15},
        {ERR_TOY_ALREADY_RUNNING, "Toy is already running", 16},
        {ERR_SETTING_UP_PLUGIN, "Error setting up the plugin", 1},
        {ERR_SETTING_UP_PLUGINS_MENU, "Error settign up the plugins menu", 2},
        {ERR_SETTING_UP_DESKTOP_TOY, "Error setting up desktop toy", 1},
        {ERR_READING_HEADER_FROM_FILE, "Error reading plugin header from file", 3},
        {ERR_READING_HEADER_FROM_RESOURCE, "Error reading plugin header from resource", 4},
        {ERR_READING_HEADER_FROM_REGISTRY, "Error reading plugin header from registry", 5},
        {ERR_BUILDING_STANDARD_HEADER, "Error building standard plugin header", 6},
        {ERR_READING_HEADER_FROM_RESOURCE2, "Error reading plugin header from resource", 7},
        {ERR_SETTING_REGISTRY_KEY_VALUE, "Error setting specified registry key value", 8},
        {ERR_UNREGISTERING, "Error unregistering an application or plugin", 9},
        {ERR_GETTING_REGISTRY_KEY_VALUE, "Error getting specified registry key value", 10},
        {ERR_COMPLETING_PLUGIN, "Error completing plugin", 1},
        {ERR_CREATING_LOG_FILE, "Error creating new error log file", 1},
    };
    ASSERT_EQ(catalogue.size(), 29u);
    for (const Entry& entry : catalogue) {
        EXPECT_EQ(entry.record.text, entry.text);
        EXPECT_EQ(entry.record.code, entry.code) << entry.text;
    }
}

TEST(CKVErr, SharedTextConstants)
{
    EXPECT_EQ(REGISTRY_ROOT, "Software\\Quillfen Ltd\\Wimbleset\\");
    EXPECT_EQ(PLUGINS_FOLDER_SPARE, "Plugins\\");
    EXPECT_EQ(PLUGINS_FOLDER, "Plugins\\");
    EXPECT_EQ(LOGS_FOLDER, "Logs\\");
    EXPECT_EQ(PACKAGE_EXTENSION, "kvd");
    EXPECT_EQ(TEMP_EXTENSION, "~kv");
    EXPECT_EQ(LIBRARY_EXTENSION, "kvp");
    EXPECT_EQ(VALUE_NAME, "Name");
    EXPECT_EQ(VALUE_TYPE, "Type");
    EXPECT_EQ(VALUE_VERSION, "Version");
    EXPECT_EQ(VALUE_RELEASE_DATE, "ReleaseDate");
    EXPECT_EQ(VALUE_DETAILS, "Details");
    EXPECT_EQ(VALUE_ACTIVE, "Active");
    EXPECT_EQ(VALUE_EXECUTES, "Executes");
    EXPECT_EQ(TYPE_TOY, "TOY");
    EXPECT_EQ(TYPE_PLUGIN, "PLUGIN");
    EXPECT_EQ(TYPE_NOTIFY, "NOTIFY");
}

TEST(CKVErr, ThrownByValueArrivesWithTextAndCodeIntact)
{
    try {
        throw ERR_READING_HEADER_FROM_RESOURCE2;
    } catch (CKVErr record) {
        EXPECT_EQ(record.text, ERR_READING_HEADER_FROM_RESOURCE.text);
        EXPECT_EQ(record.code, 7);
        record.text = "changed";
    }
    EXPECT_EQ(ERR_READING_HEADER_FROM_RESOURCE2.text, "Error reading plugin header from resource");
}

TEST(CKVErr, EmptyTextAndAnyCodeAreValid)
{
    CKVErr record("", -3);
    CKVErr copy = record;
    EXPECT_EQ(copy.text, "");
    EXPECT_EQ(copy.code, -3);
}
