// Services of environment catalog storage (appendage C, vector 383) that the object model
// calls. The engine reaches each through a forwarding routine of that name and its typed slot.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"

// Finds or creates the object of that kind and name in the current environment: 0 and the
// header in `out`; 1 after a message (no write right 598/3801, unsupported kind 598/3100).
int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind);
// The object's in-memory record after loading and the rights check (0 = none); null when none.
void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access);
// Frees a definition object and removes it from the environment: 0, else a failure code.
int rssofif(RSKCON* con, RSKCATOBJ* header);
// Sets a property block's description (at most 256 characters) and its state and time.
int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source);
// Non-zero when the access is granted (modes 4 read, 2 write, 1 run; scopes 1 to 4).
int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
           int name_length, int32_t kind, int scope);
// The rights of an object into the list (an identifier), or printed when the list is 0.
int rssseca(RSKCON* con, RSKRIGHTS* rights, RSKENV* environment, const char* name, int name_length,
            int32_t kind, int scope, uint32_t list);
// The text naming a kind into `text_out`; its length, or -1.
int rssobds(int32_t kind, char* text_out);
// Stores an instrument type as its catalog entry: 0, else a failure code.
int rssclsa(RSKCON* con, RSKINSTTYPE* type, int reserved);
// The host-product report of that name; null when none.
void* rssrpt(RSKCON* con, const RSKNAMEREC* name);
// Lists the environments offered to a component client; their count.
int rssenla(RSKCON* con);
// Ends a component client's environment lists.
int rssenlt(RSKCON* con);
// Saves the current environment: 0 on success.
int rssenva(RSKCON* con);
// Makes the temporary environment the current one.
int rssenvt(RSKCON* con);
// Ends the environment: puts the held environment's set-aside files back, empties the scratch
// directory.
int rssenvx(RSKCON* con);
// Deletes an environment's catalog, data set and index, and with the last switch its output
// path (termination deletes the working copy this way): 0, else the largest failing code.
int rssenvz(RSKCON* con, const char* directory, int directory_length, const char* name, int name_length,
            const char* outpath, int outpath_length, int report, int with_outpath);
// Registers the output databases that lie in the engine's work directory: 0.
int rssoutz(RSKCON* con);
// Loads the saved search paths: 0 on success.
int rsspthl(RSKCON* con);
