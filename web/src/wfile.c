/* SPDX-License-Identifier: MIT
 * wfile.c — the file hooks the library's file routines need, on the page's
 * in-memory file system (the pictures are put there before the game starts).
 */
#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the build
#endif

/* _al_file_isok:
 *  Any file name may be opened.
 */
int _al_file_isok(AL_CONST char *filename)
{
   return TRUE;
}

/* file_stat:
 *  stat() of a file name in the library's encoding; sets allegro_errno on failure.
 */
static int file_stat(AL_CONST char *filename, struct stat *s)
{
   char tmp[1024];

   if (stat(uconvert(filename, U_CURRENT, tmp, U_UTF8, sizeof(tmp)), s) != 0) {
      *allegro_errno = errno;
      return -1;
   }
   return 0;
}

/* _al_file_size_ex:
 *  The size of a file in bytes, or 0 if it cannot be found.
 */
uint64_t _al_file_size_ex(AL_CONST char *filename)
{
   struct stat s;
   return (file_stat(filename, &s) == 0) ? (uint64_t)s.st_size : 0;
}

/* _al_file_time:
 *  The time a file was last changed, or 0 if it cannot be found.
 */
time_t _al_file_time(AL_CONST char *filename)
{
   struct stat s;
   return (file_stat(filename, &s) == 0) ? s.st_mtime : 0;
}

/* _al_getdcwd:
 *  The working directory (the file system has no drives).
 */
void _al_getdcwd(int drive, char *buf, int size)
{
   char tmp[1024];

   if (getcwd(tmp, sizeof(tmp)))
      do_uconvert(tmp, U_UTF8, buf, U_CURRENT, size);
   else
      usetc(buf, 0);
}

/* al_findfirst:
 *  Directory searches find nothing: the game never lists a folder.
 */
int al_findfirst(AL_CONST char *pattern, struct al_ffblk *info, int attrib)
{
   *allegro_errno = ENOENT;
   return -1;
}

/* al_findnext:
 *  No further match either.
 */
int al_findnext(struct al_ffblk *info)
{
   *allegro_errno = ENOENT;
   return -1;
}

/* al_findclose:
 *  Nothing to close.
 */
void al_findclose(struct al_ffblk *info)
{
}

/* _al_detect_filename_encoding:
 *  File names are UTF-8, the library's default.
 */
void _al_detect_filename_encoding(void)
{
}
