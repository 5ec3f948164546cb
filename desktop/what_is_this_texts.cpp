#include "desktop/what_is_this_texts.h"

#include <array>

namespace velmora::desktop {
namespace {

constexpr std::string_view kText1 =
    "Database Synchronization Profile : Creates Synchronization link between your desktop "
    "database and Pocket PC Contacts database. Choose what a synchronization of this profile "
    "does:\n\n"
    "Desktop Database Adds Pocket PC Contacts: the rows of your desktop database are added to "
    "the contacts of the Pocket PC; the contacts already there are kept.\n\n"
    "Desktop Database Overwrites Pocket PC Contacts: the contacts of the Pocket PC are replaced "
    "by the rows of your desktop database. When the profile is bound to a category, only the "
    "contacts of that category are replaced.\n\n"
    "Pocket PC Contacts Adds Desktop Database: the contacts of the Pocket PC are added as new "
    "rows to your desktop table; its existing rows are kept.\n\n"
    "Pocket PC Contacts Overwrites Desktop Database: every row of your desktop table is "
    "replaced by the contacts of the Pocket PC. A backup of the table is taken first, so that "
    "you can restore it later.\n\n"
    "Do Nothing: the profile is kept but does nothing when the Pocket PC connects.\n\n"
    "Import Pocket PC Contacts data to Desktop as a CSV file: the contacts of the Pocket PC are "
    "written to the "
    "file ContactDatabase.csv in the application folder.\n\n"
    "Category: a profile that sends desktop rows to the Pocket PC can be bound to one Pocket PC "
    "category; its contacts then go into that category only. Choose \"Edit Categories...\" at "
    "the end of the category list to create, rename or delete categories.";

constexpr std::string_view kText2 =
    "1. Select type of database profile, either \"Desktop to Handheld\" or \"Handheld to "
    "Desktop\" data transfer.\n\n"
    "2. To use a file database (an Access, Excel, dBase or CSV file), press the Browse button "
    "and pick the file.\n\n"
    "3. To use any other database, select its Data Source Name (DSN) from the list. If it is "
    "not there yet, press the Config button to set up a new data source, then select it.";

constexpr std::string_view kText3 =
    " Select Browse Button to select file databases such as (mdb, xls, dbf) OR Select Data "
    "Source Name (DSN) is a ODBC connectivity to any type of database. A data source name is "
    "set up with the Config button or with the ODBC data sources tool of the control panel; "
    "once it is there, select it from the list and give its user name and password when the "
    "database asks for them.\n\n"
    "Then choose when the profile synchronizes:\n"
    "1. Every time whenever device get connected/ Synced.\n"
    "2. Once every day on or after specified time.\n"
    "3. Once every week on specified day of week and on/after specified time.\n"
    "4. Once every month on specified date and time. \n"
    "5. Only Once after profile creation or modification.";

constexpr std::string_view kText4 =
    "Filters are applied in order to get the required records from the selected tables. Pick a "
    "field, an operator (=, <>, <, >, <=, >=, LIKE) and type the value to compare with; several "
    "filters are joined with AND or OR.\n\n"
    "Write the value as the field's type needs it:\n"
    "Text goes in single quotes, for example 'Smith' or, with LIKE, 'Sm%'.\n"
    "Numbers are written plainly, for example 42 or 3.5.\n"
    "Dates go between # signs or in single quotes, for example #12/31/2004# or '2004-12-31'.";

constexpr std::string_view kText5 =
    "\"Database Synchronization Profile\" is a mirror image of your desktop database. Its sync "
    "type says which way the contacts go: the desktop database adds to or overwrites the "
    "Pocket PC contacts, the Pocket PC contacts are added to or overwrite the desktop table, "
    "they are exported to a CSV file, or nothing is done.\n\n"
    "Sync On says when the profile is synchronized:\n"
    "1. Every time whenever device get connected/ Synced.\n"
    "2. Once every day on or after specified time.\n"
    "3. Once every week on specified day of week and on/after specified time.\n"
    "4. Once every month on specified date and time. \n"
    "5. Only Once after profile creation or modification.\n\n"
    "Change any of these settings here; they are stored at once and used at the next "
    "synchronization.";

constexpr std::string_view kText6 =
    "Restoring content is used for getting back contents of database before synchronization. "
    "The left pane shows what the desktop table holds now. The right pane shows a backup taken "
    "before one of the last four synchronizations: choose Last Sync, 2nd Last Sync, 3rd Last "
    "Sync or 4th Last Sync from the list above it.\n\n"
    "Press \"Restore\" to put the backup shown on the right back into the table. Every current "
    "row of the table is replaced by the rows of the backup; if the database refuses any of "
    "them, the table is left as it was.";

constexpr std::string_view kText7 =
    "Select table(s) from available table list, select required fields from field list. The "
    "query that reads the rows is built from your choice as an SQL statement and shown below "
    "the lists.\n\n"
    "You may edit the query yourself, for example to join tables or sort the rows, but it must "
    "stay a valid SELECT query of this database, or the profile cannot read its rows.";

constexpr std::string_view kText8 =
    "This page is basically meant for one to one  Field mapping between device and your desktop "
    "database fields. The left column lists the Pocket PC contact fields; the right column "
    "lists your desktop fields.\n\n"
    "Drag a desktop field up or down until it stands beside the contact field it should fill, "
    "and tick each field that takes part in the synchronization. Fields left unticked are not "
    "synchronized.\n\n"
    "Press \"Finish\" to save the profile with its field mapping.";

constexpr std::string_view kText9 =
    "Use the Categories dialog box to create, rename, or delete a category.\n\n"
    "New: type the name of a new category; every name must be different from the others.\n\n"
    "Delete: removes the selected category at once. Profiles bound to it keep their setting.\n\n"
    "Rename: gives the selected category another name that no other category has.\n\n"
    "Select a category and press OK to bind the profile to it.";

constexpr std::array<std::string_view, 9> kTexts = {kText1, kText2, kText3, kText4, kText5,
                                                    kText6, kText7, kText8, kText9};

}  // namespace

std::string_view WhatIsThisText(int number) {
  if (number < 1 || number > static_cast<int>(kTexts.size())) return {};
  return kTexts[static_cast<std::size_t>(number - 1)];
}

}  // namespace velmora::desktop
