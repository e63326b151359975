/* SPDX-License-Identifier: MIT
 * alwebcfg.h — the library's configuration for the web platform: a browser
 * page running the library compiled to WebAssembly, one thread, no
 * assembler. Included by alconfig.h when ALLEGRO_WEB is defined.
 */
#ifndef ALWEBCFG_H
#define ALWEBCFG_H

#ifndef SCAN_DEPEND
   #include <fcntl.h>
   #include <unistd.h>
#endif

/* The program's own main is the entry point: nothing to mangle. */
#undef END_OF_MAIN
#define END_OF_MAIN()

#define ALLEGRO_HAVE_DIRENT_H   1
#define ALLEGRO_HAVE_INTTYPES_H 1
#define ALLEGRO_HAVE_STDINT_H   1
#define ALLEGRO_HAVE_SYS_TIME_H 1
#define ALLEGRO_HAVE_SYS_STAT_H 1
#define ALLEGRO_HAVE_MEMCMP     1

#define ALLEGRO_NO_STRICMP
#define ALLEGRO_NO_STRLWR
#define ALLEGRO_NO_STRUPR

#define ALLEGRO_PLATFORM_STR  "Web"
#define ALLEGRO_USE_CONSTRUCTOR
#define ALLEGRO_LITTLE_ENDIAN

#ifndef ALLEGRO_NO_ASM
   #define ALLEGRO_NO_ASM
#endif

#define ALLEGRO_EXTRA_HEADER     "allegro/platform/alweb.h"
#define ALLEGRO_INTERNAL_HEADER  "allegro/platform/aintweb.h"

#endif
