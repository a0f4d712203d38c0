// Names of the routines of appendage C's entry table by slot, for messages about a slot.
// Slot numbers are the contract between the modules and never change.
#include "catalog/entry_table.h"

const char* const kRskctblNames[kRskctblSlots] = {
    nullptr,
    "rskctrm", "rssanlg", "rssanls", "rsscalg", "rsscals",
    "rssccss", "rssccsg", "rssclsg", "rssclss", "rssclsl",
    "rssclsa", "rsscuds", "rsscudr", "rssdats", "rssdatg",
    "rssenla", "rssenlt", "rssenva", "rssenvc", "rssenve",
    "rssenvf", "rssenvl", "rssenvp", "rssenvs", "rssenvt",
    "rssenvv", "rssenvx", "rssenvy", "rssensa", "rssensm",
    "rssenvi", "rssenvz", "rssench", "rsseopg", "rsseops",
    "rssfdc", "rssfud", "rssidss", "rssidsg", "rssimp0",
    "rssimpc", "rssimpi", "rssimpm", "rssimpo", "rssimpr",
    "rssimpv", "rssimpx", "rssobex", "rssobds", "rssoflf",
    "rssoflo", "rssofli", "rssofid", "rssofis", "rssofif",
    "rssofil", "rssofiq", "rssopsg", "rssopss", "rssopta",
    "rssoptg", "rssoptr", "rssopts", "rssoutg", "rssoutl",
    "rssouts", "rssoutz", "rsspkg", "rsspkgp", "rsspmxg",
    "rsspmxs", "rssposg", "rssposs", "rssprsg", "rssprss",
    "rssprjg", "rssprjs", "rssprlb", "rssprlg", "rssprlp",
    "rssprlr", "rssprpb", "rssprpr", "rsspthl", "rsspths",
    "rssptya", "rssptyd", "rssptyg", "rssptys", "rssrepg",
    "rssrepi", "rssreps", "rssrmbs", "rssrpt", "rssrptl",
    "rssrptc", "rsssec", "rssseca", "rsssecs", "rsstdfg",
    "rsstdfs", "rsstgdg", "rsstgds", "rsstrcg", "rsstrcs",
    "rsstrna", "rsstrng", "rsstrns", "rsstrnt", "rsstrsg",
    "rsstrss", "rsstsgg", "rsstsgs", "rssvara", "rssvarg",
    "rssvarl", "rssvars", "rsswebg", "rsswebs", "rsswhrg",
    "rsswhrs", "rssoflr", "rsswebr", "rsscptyg", "rsscptys",
    "rssmitg", "rssmits", "create_information_map", "create_im_publish_info",
};
