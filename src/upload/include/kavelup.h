/*
 * KavelUP: receives files posted to a web page as multipart/form-data and saves them.
 *
 * One object serves one page request. The host starts the page with its request and session
 * (kavelup_on_start_page), the page sets the limits and the target directory, calls
 * kavelup_upload once, reads the fields and saves the files, and the host ends the page
 * (kavelup_on_end_page), which deletes the temporary files.
 *
 * Texts are NUL-terminated UTF-8. A returned string belongs to the object and stays valid until
 * the next call on the same object; copy it to keep it. An object is used by one thread at a
 * time. No function fails loudly: what goes wrong is recorded and kavelup_errors tells it.
 */
#ifndef KAVELUP_H
#define KAVELUP_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kavelup_object kavelup_object;

/* The page's request and session, as callbacks on the host's own context. */
typedef struct kavelup_host {
    void *context;
    /* Length of the request body in bytes. */
    int64_t (*total_bytes)(void *context);
    /* Reads up to `count` bytes of the body into `buffer`; returns how many, 0 at the end or
       on an error. */
    int64_t (*binary_read)(void *context, void *buffer, int64_t count);
    /* The session's id; may be NULL. The text is copied before the next call. */
    const char *(*session_id)(void *context);
    /* The folder for temporary files; NULL for $TMPDIR or /tmp. Must be an absolute path:
       otherwise kavelup_upload reads nothing and records a configuration error. */
    const char *temporary_folder;
    /* Where files go when kavelup_path names no absolute directory; NULL for
       /var/lib/kavelup/. Must be an absolute path: otherwise nothing is saved and a
       configuration error is recorded. */
    const char *default_directory;
} kavelup_host;

/* What kavelup_form found. */
enum { KAVELUP_FORM_NONE = 0, KAVELUP_FORM_TEXT = 1, KAVELUP_FORM_BYTES = 2 };

/* Overwrite argument of kavelup_save and kavelup_save_all: only 2 replaces an existing file. */
enum { KAVELUP_OVERWRITE = 2 };

/* A part in the bytes of the body (code page of the object), with lengths. */
typedef struct kavelup_raw_part {
    const char *name;
    size_t name_length;
    const char *file_name;
    size_t file_name_length;
    const char *file_type;
    size_t file_type_length;
    const char *content;
    size_t content_length;
    int is_file;
} kavelup_raw_part;

kavelup_object *kavelup_create(void);
/* Ends the page if the host has not. */
void kavelup_destroy(kavelup_object *object);

/* "gbk" (the default) or "utf-8": how names and values in the body are read. Returns 0, or -1
   for a code page it does not know. */
int kavelup_set_code_page(kavelup_object *object, const char *name);
/* Bodies longer than this are refused without being read; 256 MiB unless set. */
void kavelup_set_request_limit(kavelup_object *object, int64_t bytes);

/* The host is copied; its context must stay valid until the page ends. */
void kavelup_on_start_page(kavelup_object *object, const kavelup_host *host);
void kavelup_on_end_page(kavelup_object *object);

/* Files are saved only when smaller than this many bytes (0 until set). */
void kavelup_max_size(kavelup_object *object, int64_t bytes);
/* The same from a text: a number sets it, anything else sets 100000. */
void kavelup_max_size_text(kavelup_object *object, const char *value);
/* Target directory: an absolute path, or anything else for the default directory. */
void kavelup_path(kavelup_object *object, const char *value);

/* Reads the body into a temporary file as it arrives and parses it from there, so memory does
   not grow with the body. A body that ends before total_bytes is not parsed: nothing of it is
   kept or saved, and kavelup_errors says how many bytes came. */
void kavelup_upload(kavelup_object *object);
int64_t kavelup_count(const kavelup_object *object);

/* new_file_name NULL or "" keeps the client's file name. Like a client's file name, only its
   last component (after "/", "\\" or ":") counts, and ".", "..", names with control characters
   and "NonFile" are refused. */
void kavelup_save(kavelup_object *object, const char *form_name, int64_t over_write,
                  const char *new_file_name);
/* Each file is saved or records why not; one that fails does not keep the others from being
   saved. */
void kavelup_save_all(kavelup_object *object, int64_t over_write);

const char *kavelup_file_name(kavelup_object *object, const char *form_name);
/* -1 when no part has the name. */
int64_t kavelup_size(const kavelup_object *object, const char *form_name);
/* A plain field's value as text, or a file's bytes (valid while the object lives; a read-only
   mapping of the temporary file, empty when it cannot be mapped). */
int kavelup_form(kavelup_object *object, const char *form_name, const char **data,
                 size_t *length);
const char *kavelup_file_type(kavelup_object *object, const char *form_name);
const char *kavelup_field_name(kavelup_object *object, int64_t index);
/* Every recorded message followed by "<br>": the first 100, then one line telling how many
   more there were. */
const char *kavelup_errors(kavelup_object *object);

/* Part `index` as it came; returns 0, or -1 (and all empty) for an index without a part. */
int kavelup_raw_part_at(const kavelup_object *object, int64_t index, kavelup_raw_part *part);

#ifdef __cplusplus
}
#endif

#endif /* KAVELUP_H */
