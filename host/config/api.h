/* Host calls of the config group: configuration variables.
 *
 * A variable has a value per level (0 the process environment, 1 system, 2 application, 3 site,
 * 4 project, 5 user, 6 and 7 free); its value is the one at its highest level. "$(NAME)" in a
 * value or text expands to NAME's expanded value (undefined: nothing; cycles end; nested
 * references allowed). Names are letters, digits and '_', case-sensitive. */
#ifndef PIXMEND_HOST_CONFIG_API_H
#define PIXMEND_HOST_CONFIG_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The raw value into `value` (`size` bytes, always terminated). 0; MDLERR_CFGVARNOTFOUND when
 * undefined (value ""); MDLERR_TOOLARGE when cut to fit; MDLERR_BADARG for a null argument. */
int mdlSystem_getCfgVar(char* value, const char* name, int size);
/* The level the value comes from, or -1 when undefined. */
int mdlSystem_getCfgVarLevel(const char* name);
/* The expanded value in a block from dlmSystem_mdlMalloc that the caller releases with
 * dlmSystem_mdlFree, or null when undefined. */
char* mdlSystem_getExpandedCfgVar(const char* name);
/* Expands the references in `text` into `expanded` (`size` bytes, always terminated). 0;
 * MDLERR_TOOLARGE when cut to fit; MDLERR_BADARG for a null argument. */
int mdlSystem_expandCfgVar(char* expanded, int size, const char* text);
/* Defines `name` at `level` (0 to 7). 0, or MDLERR_BADARG for a bad name, value or level. */
int mdlSystem_defineCfgVar(const char* name, const char* value, int level);
/* Removes the definition at `level` (negative: every level). 0, or MDLERR_CFGVARNOTFOUND. */
int mdlSystem_undefineCfgVar(const char* name, int level);
/* The expanded value, or null when undefined. The text is host-owned and stays valid until the
 * next mdlSystem_getenv of the same name. */
const char* mdlSystem_getenv(const char* name);

#ifdef __cplusplus
}
#endif

#endif
