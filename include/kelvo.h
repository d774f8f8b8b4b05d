/*
 * kelvo.h: read and write KELVO test-data files (version 4, and version 3 on input).
 *
 * A KELVO file is a sequence of records. Each is a 4-byte header (REC_LEN, the length of
 * the body that follows; REC_TYP and REC_SUB, the codes that name the record, KELVO_<REC>_TYP
 * and KELVO_<REC>_SUB below) and REC_LEN body bytes. Numbers are stored in the byte order
 * and real format of the file's CPU type, which its first record, the FAR, names. The
 * library converts every number it decodes to the host form, and writes CPU type 2
 * (little-endian IEEE).
 *
 * THE READING LOOP. The caller drives the file: it reads each record header with
 * kelvo_headread and calls the reader of the record that REC_TYP and REC_SUB name, or
 * kelvo_skip_record; the library never picks a decoder by itself.
 *
 *     int h = kelvo_open(path, "r");                  (-1: not opened)
 *     kelvo_header hd;
 *     while (kelvo_headread(h, &hd) == 4) {           (0: end of the file)
 *         if (hd.REC_TYP == KELVO_FAR_TYP && hd.REC_SUB == KELVO_FAR_SUB) {
 *             kelvo_far_struct far;                   (sets Kelvo_file_attributes[h])
 *             if (kelvo_farread(h, &hd, &far) < 2) break;
 *             continue;
 *         }
 *         uint16_t len = kelvo_body_length(h, &hd);   (REC_LEN in host order)
 *         if (hd.REC_TYP == KELVO_PTR_TYP && hd.REC_SUB == KELVO_PTR_SUB) {
 *             kelvo_ptr_struct ptr;
 *             uint32_t status[KELVO_PTR_STATUS_WORDS] = {0};
 *             if (kelvo_ptrread(h, &hd, &ptr, status) != len) break;
 *             if (status[KELVO_PTR_RESULT] & KELVO_VALID) ... ptr.RESULT ...
 *         } else if (kelvo_skip_record(h, &hd) != len) {
 *             break;                                  (the file ends inside the record)
 *         }
 *     }
 *     kelvo_close(h);
 *     kelvo_free();                                   (the decoding buffers back)
 *
 * The header is handed back as the file holds it: REC_LEN is in the file's byte order
 * (big-endian in a CPU type 1 file). kelvo_body_length gives it in host order once the
 * handle's CPU type is known, that is after the FAR has been read. A version-3 file has
 * no FAR: its first record is a MIR, which kelvo_mirread reads and which sets the CPU
 * type the same way (do not skip it). Readers take the header as read and convert
 * REC_LEN themselves; the structures they fill hold REC_LEN in host order.
 *
 * WHAT A READER RETURNS (kelvo_<rec>read, kelvo_<rec>buf_read):
 *   REC_LEN  the record was read whole and decoded.
 *   0        the body was cut short by the end of the file (or a read error), REC_LEN
 *            was 0, the handle is not open, or the record could not be decoded whole for
 *            want of memory: a buffer could not be had, or arrays (MPR, FTR, PGR, PLR, RDR,
 *            GDR, STR) or version-3 names and part states could not be kept. After a want
 *            of memory the file is positioned behind the record and no count is left
 *            without its array, so the caller may report the loss and go on with the next
 *            header; after a short body there is no next header, and the structure holds
 *            what arrived (the rest reads as zeros): do not use it. (kelvo_seek(handle, 0,
 *            SEEK_CUR) tells the two apart on a file that can seek.)
 *   -3       (buf_read) the record was read and decoded, but its copy into the string
 *            buffer found no memory: the structure still points into the read buffer,
 *            valid until the next read. The file is positioned behind the record.
 *   -2       (FAR, and a MIR on a handle without a version-4 FAR) the first body bytes
 *            could not be read, or the MIR is not a version-3 file's.
 * So, once the byte order is known, a reader (or kelvo_skip_record) succeeded exactly
 * when it returns kelvo_body_length(h, &hd).
 *
 * FIELD STATUS ARRAYS. Most readers and decoders take, last, an optional array of uint32_t
 * words (null: none wanted), one word per field that a record may lack or leave without a
 * usable value. KELVO_<REC>_<FIELD> is the index of a field's word and
 * KELVO_<REC>_STATUS_WORDS the number of words to provide. A decode changes only two bits
 * of each word it describes and keeps the caller's other bits:
 *   KELVO_PRESENT  the field begins inside the record;
 *   KELVO_VALID    the field holds a usable value: not its missing value, a text that is
 *                  not empty, a number that OPT_FLAG or TEST_FLG does not mark invalid.
 * Test KELVO_VALID before using a value; KELVO_PRESENT only says whether the record
 * reached the field (an OPT_FLAG the record lacks reads 255 and counts as valid: every
 * field it governs is then invalid). A field the record lacks holds its missing value:
 * texts length 0 (pointing to ""), R4 the NaN with bit pattern 0xFFC00000, U4 counts
 * 0xFFFFFFFF, bins 65535, coordinates -32768, one-character codes a space, unless the
 * record says otherwise. Some words are touched only by some decoders (see the record):
 * start from a zeroed array. FAR, ATR, PIR, EPS, DTR, GDR and the version-3 FDR take no
 * array; PLR hands back an array of its own.
 *
 * BUFFERS AND LIFETIMES. The caller owns every structure; the library owns everything a
 * decoded structure points into, and reuses it record after record:
 *   read buffer    the image of the record last read or skipped, on any handle. After
 *                  kelvo_<rec>read texts, bit strings and the arrays left in place point
 *                  here, valid until the next read or skip. Texts there are not
 *                  NUL-terminated: use their .len.
 *   array buffer   arrays that MPR, FTR, PGR, PLR, RDR and GDR decoding converts: valid
 *                  until the next decode of any of these. STR's arrays, PLR's status
 *                  words and GDR's field table have storage of their own, valid until the
 *                  next decode of the same record kind.
 *   string buffer  after kelvo_<rec>buf_read (or kelvo_<rec>_buf) the record's texts are
 *                  NUL-terminated copies here, valid until the next copy of any record.
 *                  What a copy moves is given at the record; the rest stays where it was.
 *   static areas   texts that version-3 decoding composes, until the next decode of the
 *                  same record kind.
 * kelvo_free releases all of this storage but the static areas (every pointer into it
 * dies); it is had again when needed. Each handle's write buffer goes with kelvo_close. To keep
 * a value longer, copy it.
 *
 * WRITING. Open with "w" (creates or truncates), write the FAR with kelvo_farwrite, then
 * fill one structure per record, texts NUL-terminated, and call kelvo_<rec>write: it sets
 * the codes, REC_LEN and the text lengths in the structure and leaves off the trailing
 * optional fields that hold their missing values. The output is always CPU type 2,
 * version 4. Close the handle to flush it; kelvo_flush reports pending write errors.
 *
 * THREADS. None. The handle table, Kelvo_file_attributes, the buffers and the version-3
 * state are process-wide and unguarded: call the library from one thread at a time. Files
 * may be read in turn from that thread; the buffers are shared, so each read overwrites
 * what the last one decoded, whatever the handle.
 */
#ifndef KELVO_H
#define KELVO_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#if defined(KELVO_BUILDING_LIBRARY) && defined(__GNUC__)
#define KELVO_API __attribute__((visibility("default")))
#else
#define KELVO_API
#endif

#define KELVO_VERSION_TEXT "    kelvo.h: KELVO Version V4.6\n\n"

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- shared types */

typedef struct kelvo_attributes {
    int32_t cpu_type;  /* 0 VAX reals, 1 big-endian, 2 little-endian IEEE; -1 until a FAR is read */
    int32_t kelvo_ver; /* 3 or 4; 0 until a FAR (or a version-3 MIR) is read */
} kelvo_attributes;

/* One entry per handle: the CPU type and version of the file open on it, set by reading
 * its FAR (or version-3 MIR), reset to {-1, 0} when an open takes the handle, kept after
 * kelvo_close. Pass &Kelvo_file_attributes[handle] to a decoder of that file's images. */
extern KELVO_API kelvo_attributes Kelvo_file_attributes[32];

/* A record header. As kelvo_headread hands it back, REC_LEN is in the file's byte order. */
typedef struct kelvo_header {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
} kelvo_header;

typedef struct kelvo_cn { uint8_t len;   char    *str;  } kelvo_cn;  /* counted string (Cn) */
typedef struct kelvo_bn { uint8_t len;   uint8_t *data; } kelvo_bn;  /* Bn descriptor */
typedef struct kelvo_dn { uint16_t bits; uint8_t *data; } kelvo_dn;  /* Dn descriptor: bit count */

#define KELVO_PRESENT 1u /* field status: the field begins inside the record */
#define KELVO_VALID   2u /* field status: the field holds a usable value */

/* REC_LEN of a header from kelvo_headread in host order: big-endian on a handle whose
 * file has CPU type 1, little-endian otherwise (also before the handle's FAR or
 * version-3 MIR is read, and for a handle outside 0-31). */
static inline uint16_t kelvo_body_length(int handle, const kelvo_header *h) {
    int big = handle >= 0 && handle < 32 && Kelvo_file_attributes[handle].cpu_type == 1;
#ifdef __cplusplus
    const unsigned char *b = reinterpret_cast<const unsigned char *>(h);
    return static_cast<uint16_t>(big ? (b[0] << 8 | b[1]) : (b[0] | b[1] << 8));
#else
    const unsigned char *b = (const unsigned char *)h;
    return (uint16_t)(big ? (b[0] << 8 | b[1]) : (b[0] | b[1] << 8));
#endif
}

/* Record codes (REC_TYP, REC_SUB), as the writers set them and the caller dispatches on.
 * KELVO_REC_CODE joins a pair into one number, for a switch:
 *     switch (KELVO_REC_CODE(hd.REC_TYP, hd.REC_SUB)) {
 *     case KELVO_REC_CODE(KELVO_PRR_TYP, KELVO_PRR_SUB): ... */
#define KELVO_REC_CODE(typ, sub) ((typ) << 8 | (sub))
enum {
    KELVO_FAR_TYP = 0,  KELVO_FAR_SUB = 10, /* file attributes: CPU type and version */
    KELVO_ATR_TYP = 0,  KELVO_ATR_SUB = 20, /* audit trail: a program that changed the file */
    KELVO_MIR_TYP = 1,  KELVO_MIR_SUB = 10, /* master information: set-up of the run */
    KELVO_MRR_TYP = 1,  KELVO_MRR_SUB = 20, /* master results: end of the run */
    KELVO_PCR_TYP = 1,  KELVO_PCR_SUB = 30, /* part counts of a head and site */
    KELVO_HBR_TYP = 1,  KELVO_HBR_SUB = 40, /* hardware bin count */
    KELVO_SBR_TYP = 1,  KELVO_SBR_SUB = 50, /* software bin count */
    KELVO_PMR_TYP = 1,  KELVO_PMR_SUB = 60, /* pin map: one channel */
    KELVO_PGR_TYP = 1,  KELVO_PGR_SUB = 62, /* pin group */
    KELVO_PLR_TYP = 1,  KELVO_PLR_SUB = 63, /* pin list: display of pin groups */
    KELVO_RDR_TYP = 1,  KELVO_RDR_SUB = 70, /* retest data: bins retested */
    KELVO_SDR_TYP = 1,  KELVO_SDR_SUB = 80, /* site description: handler, probe card, ... */
    KELVO_WIR_TYP = 2,  KELVO_WIR_SUB = 10, /* wafer information: start of a wafer */
    KELVO_WRR_TYP = 2,  KELVO_WRR_SUB = 20, /* wafer results: end of a wafer */
    KELVO_WCR_TYP = 2,  KELVO_WCR_SUB = 30, /* wafer configuration */
    KELVO_PIR_TYP = 5,  KELVO_PIR_SUB = 10, /* part information: start of a part */
    KELVO_PRR_TYP = 5,  KELVO_PRR_SUB = 20, /* part results: end of a part, its bins */
    KELVO_TSR_TYP = 10, KELVO_TSR_SUB = 30, /* test synopsis: one test over the run */
    KELVO_PTR_TYP = 15, KELVO_PTR_SUB = 10, /* parametric test: one result */
    KELVO_MPR_TYP = 15, KELVO_MPR_SUB = 15, /* multiple-result parametric test */
    KELVO_FTR_TYP = 15, KELVO_FTR_SUB = 20, /* functional test */
    KELVO_STR_TYP = 15, KELVO_STR_SUB = 30, /* scan test (its writer takes the caller's codes) */
    KELVO_BPS_TYP = 20, KELVO_BPS_SUB = 10, /* begin program section */
    KELVO_EPS_TYP = 20, KELVO_EPS_SUB = 20, /* end program section */
    KELVO_GDR_TYP = 50, KELVO_GDR_SUB = 10, /* generic data: typed fields */
    KELVO_DTR_TYP = 50, KELVO_DTR_SUB = 30, /* datalog text */
    /* Records of version-3 files only; they share the other codes with version 4. */
    KELVO_PDR_TYP = 10, KELVO_PDR_SUB = 10, /* parametric test description */
    KELVO_FDR_TYP = 10, KELVO_FDR_SUB = 20, /* functional test description */
    KELVO_SHB_TYP = 25, KELVO_SHB_SUB = 10, /* site hardware bin count */
    KELVO_SSB_TYP = 25, KELVO_SSB_SUB = 20, /* site software bin count */
    KELVO_STS_TYP = 25, KELVO_STS_SUB = 30, /* site test synopsis */
    KELVO_SCR_TYP = 25, KELVO_SCR_SUB = 40  /* site part counts */
};

/* ---------------------------------------------------------------- file layer */

/* Opens path and returns its handle, the lowest free one of 0-31, or -1 (the file cannot
 * be opened, a null argument, a mode longer than 6 characters, all 32 handles in use).
 * Mode "r" opens for reading; a mode beginning with 'w' creates or truncates; any other
 * ("r+", "a", "rb", ...) opens read-write, creating a missing file and keeping an
 * existing one's bytes. The stream gets the mode with 'b' added. The handle's
 * Kelvo_file_attributes entry and version-3 state start afresh. kelvo_sopen is the same. */
KELVO_API int kelvo_open(const char *path, const char *mode);
KELVO_API int kelvo_sopen(const char *path, const char *mode);
/* Adopts the open descriptor fd with the stream mode given (no 'b' added): the handle, or
 * -1 when no stream can be opened on fd or no handle is free (fd then stays the caller's).
 * kelvo_close closes fd. */
KELVO_API int kelvo_fidopen(int fd, const char *mode);
/* Flushes and closes the handle and releases its write buffer; a handle that is not open
 * is ignored. Kelvo_file_attributes[handle] keeps its values until the handle is reused. */
KELVO_API void kelvo_close(int handle);
/* Flushes the handle's stream: 0, or EOF on a write error or a handle that is not open. */
KELVO_API int kelvo_flush(int handle);
/* Closes handles 0, 1, 2, ... up to the first one that is not open. */
KELVO_API void kelvo_clean(void);
/* kelvo_clean, then exit(-1). Does not return. */
KELVO_API void kelvo_sig_exit(void);
/* Reads exactly size bytes into buffer: size, or 0 when fewer were left (those were
 * stored and consumed), when size is 0, or on a handle that is not open. */
KELVO_API uint32_t kelvo_read(int handle, void *buffer, uint32_t size);
/* Writes size bytes: size, or 0 when they were not written (a write error, size 0, a
 * handle that is not open). Writes are buffered: an error may show only at kelvo_flush. */
KELVO_API uint32_t kelvo_write(int handle, const void *buffer, uint32_t size);
/* Moves as fseek does (whence SEEK_SET, SEEK_CUR, SEEK_END) and returns the new position
 * from the start, or -1 (the seek failed, or the handle is not open); (handle, 0,
 * SEEK_CUR) returns the position without moving. */
KELVO_API long kelvo_seek(int handle, long offset, int whence);
/* Reads the next record header, unconverted (REC_LEN in the file's byte order: see
 * kelvo_body_length): 4, or 0 at the end of the file, on a read error, when fewer than 4
 * bytes are left, or on a handle that is not open. */
KELVO_API int kelvo_headread(int handle, kelvo_header *header);
/* Passes over the body of the record whose header was just read, by reading it (pipes
 * work; the read buffer is overwritten): REC_LEN, or 0 when the body was cut short,
 * REC_LEN is 0 or the handle is not open. */
KELVO_API int kelvo_skip_record(int handle, const kelvo_header *header);

/* ---------------------------------------------------------------- number conversion */
/* The file form of one number, by CPU type (Kelvo_file_attributes[handle].cpu_type), to
 * the host form. The integer swaps work in place: for CPU type 1 they reverse the 2, 4 or
 * 8 bytes at p and return 1; for any other type they change nothing and return 0 (the
 * same call serves signed and unsigned). The real copies read 4 or 8 bytes at p, leave
 * them as they are and return the value: CPU type 0 holds VAX F and D reals (converted;
 * a D real loses its 3 lowest fraction bits), type 1 big-endian IEEE, any other type
 * little-endian IEEE. Eight zero bytes are 0.0 for every type. */

KELVO_API int kelvo_shortswap(int cpu, void *p);
KELVO_API int kelvo_intswap(int cpu, void *p);
KELVO_API int kelvo_int64swap(int cpu, void *p);
KELVO_API float kelvo_floatcopy(int cpu, const void *p);
KELVO_API double kelvo_doublecopy(int cpu, const void *p);

/* ---------------------------------------------------------------- buffers */

/* Grows a buffer {pointer, *capacity} to size bytes (at least 1): realloc when *capacity
 * is not 0, else malloc (pointer then ignored). Returns the storage and sets *capacity,
 * or returns null with the old storage released and *capacity 0. Release with free(). */
KELVO_API void *kelvo_mem_alloc(void *pointer, uint32_t *capacity, uint32_t size);
/* Copies n bytes when n is 1 or more, nothing otherwise; returns destination. */
KELVO_API void *kelvo_memcpy(void *destination, const void *source, int32_t n);
/* Releases every buffer the library holds for decoding (read, string and array buffers,
 * the GDR field table, the STR lists) and the version-3 names and part states of handles
 * that are closed; no pointer into them stays valid. They are had again when needed.
 * Write buffers of open handles stay. */
KELVO_API void kelvo_free(void);
/* Writes the Dn *source in its wire form to destination: the bit count (2 bytes,
 * little-endian), then the bytes that hold the bits, the last one cut to its high-order
 * bits (zeros for null data). Returns the bytes written, 2 + (bits + 7) / 8, or 0 for a
 * null argument. */
KELVO_API int kelvo_move_dstring(const kelvo_dn *source, void *destination);

/* ---------------------------------------------------------------- record families */
/*
 * Every record REC has the same family of functions; below, each record states only its
 * particulars (codes, status words, what its copy moves, which functions it lacks).
 *
 * int kelvo_<rec>read(int handle, const kelvo_header *header, S *s [, uint32_t *status])
 *     Reads the body of the record whose header kelvo_headread gave (pass it as read) and
 *     decodes it into *s; returns REC_LEN, 0, -2 as above. On a handle of a version-3 file
 *     the readers of MIR, MRR, PIR, PRR, PTR, FTR, HBR, SBR, PMR, WIR, WRR and TSR decode
 *     the version-3 layout into the same structure. *s points into the read buffer (and
 *     the array buffer for converted arrays).
 * int kelvo_<rec>buf_read(... the same ...)
 *     The read, then kelvo_<rec>_buf: the read's result, or -3 when the copy found no
 *     memory. A record the read did not decode is not copied.
 * void kelvo_<rec>_to_struct(S *s, const void *image, const kelvo_attributes *attr
 *                            [, uint32_t *status])
 *     Decodes a record image (header first, REC_LEN + 4 bytes, REC_LEN in the file's byte
 *     order) of a file whose CPU type and version attr gives (&Kelvo_file_attributes[h]).
 *     Nothing outside the image is read; *s points into it. Fields the record lacks get
 *     their missing values; texts and bit strings that run past its end are cut.
 * int kelvo_<rec>_buf(S *s)
 *     Copies the texts of *s (and the arrays the record names) into the string buffer,
 *     each text NUL-terminated, and points *s at the copies: 1, or 0 when the string
 *     buffer cannot be had (*s then unchanged). Each text is copied from where it points,
 *     by its length member, so a structure the caller filled is copied as well.
 * int kelvo_<rec>write(int handle, S *s)
 *     Sets REC_TYP, REC_SUB, REC_LEN and the text lengths in *s (from the NUL-terminated
 *     texts, at most 255 characters; null is empty), encodes and writes the record.
 *     Returns REC_LEN + 4; -1 for handle -1; 0 when it was not written whole (a handle
 *     that is not open, no memory for the write buffer, a write error, or more than
 *     65535 body bytes: then nothing is written).
 * int kelvo_<rec>_size(S *s)
 *     Sets REC_LEN and the text lengths as the writer does and returns REC_LEN + 4 (above
 *     65539 for a record too long to write; REC_LEN then 65535).
 * void kelvo_<rec>_to_memory(const S *s, void *out)
 *     Encodes *s as sized by kelvo_<rec>_size into REC_LEN + 4 bytes at out, CPU type 2;
 *     nothing is written beyond them.
 */

/* Flag bits of TEST_FLG in PTR, MPR and FTR. */
#define KELVO_TEST_FLG_RESULT_INVALID 0x02u /* PTR: RESULT holds no usable value */
#define KELVO_TEST_FLG_NOT_EXECUTED   0x10u /* the test was not executed: no result */
#define KELVO_TEST_FLG_FAILED         0x80u /* the test failed */

/* ---------------------------------------------------------------- FAR (0, 10) */
/* FAR: file attributes, the first record of a version-4 file. No status array, no _buf,
 * no _size. kelvo_farread reads CPU_TYPE first (only it tells REC_LEN's byte order) and
 * stores CPU_TYPE and KELVO_VER in Kelvo_file_attributes[handle]; it returns REC_LEN (2)
 * when the record was read whole, 1 when the body ended behind CPU_TYPE (KELVO_VER then
 * 0), -2 when not even CPU_TYPE could be read or the handle is not open. kelvo_farbuf_read
 * is the same. kelvo_farwrite overwrites the structure with a FAR of CPU type 2, version
 * 4, and writes it (02 00 00 0A 02 04): 6, -1 for handle -1, or 0. kelvo_far_to_memory
 * copies REC_LEN + 4 bytes of the structure as they stand. */
typedef struct kelvo_far_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t CPU_TYPE;
    uint8_t KELVO_VER;
} kelvo_far_struct;

KELVO_API int kelvo_farread(int handle, const kelvo_header *header, kelvo_far_struct *far);
KELVO_API int kelvo_farbuf_read(int handle, const kelvo_header *header, kelvo_far_struct *far);
KELVO_API void kelvo_far_to_struct(kelvo_far_struct *far, const void *image, const kelvo_attributes *attr);
KELVO_API int kelvo_farwrite(int handle, kelvo_far_struct *far);
KELVO_API void kelvo_far_to_memory(const kelvo_far_struct *far, void *out);

/* ---------------------------------------------------------------- ATR (0, 20) */
/* ATR: audit trail, the time and command line of a program that changed the file. No
 * status array. _buf copies CMD_LINE; the writer leaves a null or empty CMD_LINE off
 * (REC_LEN 4). */
typedef struct kelvo_atr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint32_t MOD_TIM;
    kelvo_cn CMD_LINE;
} kelvo_atr_struct;

KELVO_API int kelvo_atrread(int handle, const kelvo_header *header, kelvo_atr_struct *atr);
KELVO_API int kelvo_atrbuf_read(int handle, const kelvo_header *header, kelvo_atr_struct *atr);
KELVO_API void kelvo_atr_to_struct(kelvo_atr_struct *atr, const void *image, const kelvo_attributes *attr);
KELVO_API int kelvo_atr_buf(kelvo_atr_struct *atr);
KELVO_API int kelvo_atrwrite(int handle, kelvo_atr_struct *atr);
KELVO_API int kelvo_atr_size(kelvo_atr_struct *atr);
KELVO_API void kelvo_atr_to_memory(const kelvo_atr_struct *atr, void *out);

/* ---------------------------------------------------------------- MIR, MRR, PCR */
/* MIR (1, 10): master information, the set-up of a test run. LOT_ID to JOB_NAM are always
 * written, the later texts left off from the end while empty. _buf copies the thirty
 * texts (one after another in wire order). The fixed codes and BURN_TIM are present
 * whenever the record reaches them; a code is valid when not a space, BURN_TIM when not
 * 65535. Word KELVO_MIR_VERSION3 has its present bit set when the record came from a
 * version-3 file (only that bit: every kelvo_mirread clears it first). */
typedef struct kelvo_mir_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint32_t SETUP_T;
    uint32_t START_T;
    uint8_t STAT_NUM;
    char MODE_COD;
    char RTST_COD;
    char PROT_COD;
    uint16_t BURN_TIM;
    char CMOD_COD;
    kelvo_cn LOT_ID, PART_TYP, NODE_NAM, TSTR_TYP, JOB_NAM;
    kelvo_cn JOB_REV, SBLOT_ID, OPER_NAM, EXEC_TYP, EXEC_VER, TEST_COD, TST_TEMP, USER_TXT,
        AUX_FILE, PKG_TYP, FAMLY_ID, DATE_COD, FACIL_ID, FLOOR_ID, PROC_ID, OPER_FRQ, SPEC_NAM,
        SPEC_VER, FLOW_ID, SETUP_ID, DSGN_REV, ENG_ID, ROM_COD, SERL_NUM, SUPR_NAM;
    /* Filled only by version-3 input; version-4 operations leave them alone. */
    uint8_t CPU_TYPE;
    uint8_t KELVO_VER;
    kelvo_cn HAND_ID;
    kelvo_cn PRB_CARD;
} kelvo_mir_struct;

enum { /* MIR status words */
    KELVO_MIR_MODE_COD = 0, KELVO_MIR_RTST_COD = 1, KELVO_MIR_PROT_COD = 2, KELVO_MIR_BURN_TIM = 3,
    KELVO_MIR_CMOD_COD = 4, KELVO_MIR_LOT_ID = 5, KELVO_MIR_PART_TYP = 6, KELVO_MIR_NODE_NAM = 7,
    KELVO_MIR_TSTR_TYP = 8, KELVO_MIR_JOB_NAM = 9, KELVO_MIR_JOB_REV = 10, KELVO_MIR_SBLOT_ID = 11,
    KELVO_MIR_OPER_NAM = 12, KELVO_MIR_EXEC_TYP = 13, KELVO_MIR_EXEC_VER = 14, KELVO_MIR_TEST_COD = 15,
    KELVO_MIR_TST_TEMP = 16, KELVO_MIR_USER_TXT = 17, KELVO_MIR_AUX_FILE = 18, KELVO_MIR_PKG_TYP = 19,
    KELVO_MIR_FAMLY_ID = 20, KELVO_MIR_DATE_COD = 21, KELVO_MIR_FACIL_ID = 22, KELVO_MIR_FLOOR_ID = 23,
    KELVO_MIR_PROC_ID = 24, KELVO_MIR_OPER_FRQ = 25, KELVO_MIR_SPEC_NAM = 26, KELVO_MIR_SPEC_VER = 27,
    KELVO_MIR_FLOW_ID = 28, KELVO_MIR_SETUP_ID = 29, KELVO_MIR_DSGN_REV = 30, KELVO_MIR_ENG_ID = 31,
    KELVO_MIR_ROM_COD = 32, KELVO_MIR_SERL_NUM = 33, KELVO_MIR_SUPR_NAM = 34, KELVO_MIR_VERSION3 = 35,
    KELVO_MIR_HAND_ID = 36, KELVO_MIR_PRB_CARD = 37,
    KELVO_MIR_STATUS_WORDS = 38
};

/* On a handle without a version-4 FAR, reads the CPU type and version bytes first:
 * version 3 makes the handle a version-3 handle ({CPU_TYPE, 3} in Kelvo_file_attributes)
 * and decodes the version-3 MIR (result: REC_LEN, or 2 when the body ends early; see
 * read_v3_mir); any other version returns -2 and leaves the structure and the attributes
 * alone. On a version-3 handle kelvo_mirbuf_read copies with kelvo_v3_mir_buf. */
KELVO_API int kelvo_mirread(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);
KELVO_API int kelvo_mirbuf_read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);
KELVO_API void kelvo_mir_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_mir_buf(kelvo_mir_struct *mir);
KELVO_API int kelvo_mirwrite(int handle, kelvo_mir_struct *mir);
KELVO_API int kelvo_mir_size(kelvo_mir_struct *mir);
KELVO_API void kelvo_mir_to_memory(const kelvo_mir_struct *mir, void *out);

/* PCR (1, 30): part counts of one head and site (255: all). A count is taken when the
 * record holds it whole, else it is 0xFFFFFFFF, its missing value (the writer leaves
 * such counts off the end); PART_CNT has no status word. No strings: no _buf, and
 * kelvo_pcrbuf_read is the read. */
typedef struct kelvo_pcr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint32_t PART_CNT;
    uint32_t RTST_CNT;
    uint32_t ABRT_CNT;
    uint32_t GOOD_CNT;
    uint32_t FUNC_CNT;
} kelvo_pcr_struct;

enum { /* PCR status words */
    KELVO_PCR_RTST_CNT = 0, KELVO_PCR_ABRT_CNT = 1, KELVO_PCR_GOOD_CNT = 2, KELVO_PCR_FUNC_CNT = 3,
    KELVO_PCR_STATUS_WORDS = 4
};

KELVO_API int kelvo_pcrread(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status);
KELVO_API int kelvo_pcrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status);
KELVO_API void kelvo_pcr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_pcrwrite(int handle, kelvo_pcr_struct *pcr);
KELVO_API int kelvo_pcr_size(kelvo_pcr_struct *pcr);
KELVO_API void kelvo_pcr_to_memory(const kelvo_pcr_struct *pcr, void *out);

/* MRR (1, 20): master results, the end of a test run. DISP_COD missing: a space. A
 * version-3 MRR carries the run's part counts, which decoding puts into PCR (a PCR of all
 * heads and sites, 255 and 255); a version-4 MRR leaves PCR's counts at 0xFFFFFFFF. The
 * writer ignores PCR. _buf copies USR_DESC and EXC_DESC. Status words 0-3 are not used;
 * KELVO_MRR_VERSION3 has its present bit set for a record decoded in the version-3 layout
 * (cleared otherwise; its valid bit is not touched); the four count words describe
 * PCR.RTST_CNT .. PCR.FUNC_CNT and are cleared by a version-4 decode. */
typedef struct kelvo_mrr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint32_t FINISH_T;
    char DISP_COD;
    kelvo_cn USR_DESC;
    kelvo_cn EXC_DESC;
    kelvo_pcr_struct PCR;
} kelvo_mrr_struct;

enum { /* MRR status words */
    KELVO_MRR_DISP_COD = 4, KELVO_MRR_USR_DESC = 5, KELVO_MRR_EXC_DESC = 6, KELVO_MRR_VERSION3 = 7,
    KELVO_MRR_RTST_CNT = 8, KELVO_MRR_ABRT_CNT = 9, KELVO_MRR_GOOD_CNT = 10, KELVO_MRR_FUNC_CNT = 11,
    KELVO_MRR_STATUS_WORDS = 12
};

KELVO_API int kelvo_mrrread(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status);
KELVO_API int kelvo_mrrbuf_read(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status);
KELVO_API void kelvo_mrr_to_struct(kelvo_mrr_struct *mrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_mrr_buf(kelvo_mrr_struct *mrr);
KELVO_API int kelvo_mrrwrite(int handle, kelvo_mrr_struct *mrr);
KELVO_API int kelvo_mrr_size(kelvo_mrr_struct *mrr);
KELVO_API void kelvo_mrr_to_memory(const kelvo_mrr_struct *mrr, void *out);

/* ---------------------------------------------------------------- HBR, SBR, PIR, PRR */
/* HBR (1, 40) and SBR (1, 50): the count of parts in one hardware or software bin, for one
 * head and site (255: all). One layout; size, copy and encoder are shared. The pass/fail
 * character is valid when not a space (its missing value); _buf copies the bin name. */

typedef struct kelvo_hbr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint16_t HBIN_NUM;
    uint32_t HBIN_CNT;
    char HBIN_PF;      /* status word 0; missing: a space */
    kelvo_cn HBIN_NAM; /* status word 1 */
} kelvo_hbr_struct;

typedef struct kelvo_sbr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint16_t SBIN_NUM;
    uint32_t SBIN_CNT;
    char SBIN_PF;      /* status word 0; missing: a space */
    kelvo_cn SBIN_NAM; /* status word 1 */
} kelvo_sbr_struct;

enum { /* HBR and SBR status words */
    KELVO_HBR_HBIN_PF = 0, KELVO_HBR_HBIN_NAM = 1, KELVO_HBR_STATUS_WORDS = 2,
    KELVO_SBR_SBIN_PF = 0, KELVO_SBR_SBIN_NAM = 1, KELVO_SBR_STATUS_WORDS = 2
};

KELVO_API int kelvo_hbrread(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status);
KELVO_API int kelvo_hbrbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status);
KELVO_API void kelvo_hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_hbr_buf(kelvo_hbr_struct *hbr);
KELVO_API int kelvo_hbrwrite(int handle, kelvo_hbr_struct *hbr);
KELVO_API int kelvo_hbr_size(kelvo_hbr_struct *hbr);
KELVO_API void kelvo_hbr_to_memory(const kelvo_hbr_struct *hbr, void *out);

KELVO_API int kelvo_sbrread(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status);
KELVO_API int kelvo_sbrbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status);
KELVO_API void kelvo_sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_sbr_buf(kelvo_sbr_struct *sbr);
KELVO_API int kelvo_sbrwrite(int handle, kelvo_sbr_struct *sbr);
KELVO_API int kelvo_sbr_size(kelvo_sbr_struct *sbr);
KELVO_API void kelvo_sbr_to_memory(const kelvo_sbr_struct *sbr, void *out);

/* PIR (5, 10): part information, the start of one part's data on a head and site. No
 * status array, no strings. The writer always writes 6 bytes. kelvo_pir_buf copies
 * nothing: it reserves string-buffer room for a longer (version-3) record and returns 1,
 * or 0 when that room cannot be had; kelvo_pirbuf_read calls it only on a version-3
 * handle, whose PIR keeps the part's coordinates and PART_ID for its PRR. */

typedef struct kelvo_pir_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
} kelvo_pir_struct;

KELVO_API int kelvo_pirread(int handle, const kelvo_header *header, kelvo_pir_struct *pir);
KELVO_API int kelvo_pirbuf_read(int handle, const kelvo_header *header, kelvo_pir_struct *pir);
KELVO_API void kelvo_pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr);
KELVO_API int kelvo_pir_buf(kelvo_pir_struct *pir);
KELVO_API int kelvo_pirwrite(int handle, kelvo_pir_struct *pir);
KELVO_API int kelvo_pir_size(kelvo_pir_struct *pir);
KELVO_API void kelvo_pir_to_memory(const kelvo_pir_struct *pir, void *out);

/* PRR (5, 20): part results, the end of one part: its flags, bins, coordinates, test time
 * and identification. The fields to HARD_BIN have no status word. _buf copies PART_ID and
 * PART_TXT; PART_FIX stays in the read buffer. A part passed when PART_FLG has neither
 * KELVO_PART_FLG_NO_PASS_FAIL nor KELVO_PART_FLG_FAILED set. */

#define KELVO_PART_FLG_FAILED       0x08u /* the part failed */
#define KELVO_PART_FLG_NO_PASS_FAIL 0x10u /* no pass/fail indication: the failed bit means nothing */

typedef struct kelvo_prr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint8_t PART_FLG;
    uint16_t NUM_TEST;
    uint16_t HARD_BIN;
    uint16_t SOFT_BIN;  /* missing: 65535 */
    int16_t X_COORD;    /* missing: -32768 */
    int16_t Y_COORD;    /* missing: -32768 */
    uint32_t TEST_T;    /* missing: 0 */
    kelvo_cn PART_ID;
    kelvo_cn PART_TXT;
    kelvo_bn PART_FIX;  /* raw bytes; missing: count 0, null pointer */
} kelvo_prr_struct;

enum { /* PRR status words */
    KELVO_PRR_SOFT_BIN = 0, KELVO_PRR_X_COORD = 1, KELVO_PRR_Y_COORD = 2, KELVO_PRR_TEST_T = 3,
    KELVO_PRR_PART_ID = 4, KELVO_PRR_PART_TXT = 5, KELVO_PRR_PART_FIX = 6,
    KELVO_PRR_STATUS_WORDS = 7
};

KELVO_API int kelvo_prrread(int handle, const kelvo_header *header, kelvo_prr_struct *prr, uint32_t *status);
KELVO_API int kelvo_prrbuf_read(int handle, const kelvo_header *header, kelvo_prr_struct *prr, uint32_t *status);
KELVO_API void kelvo_prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_prr_buf(kelvo_prr_struct *prr);
KELVO_API int kelvo_prrwrite(int handle, kelvo_prr_struct *prr);
KELVO_API int kelvo_prr_size(kelvo_prr_struct *prr);
KELVO_API void kelvo_prr_to_memory(const kelvo_prr_struct *prr, void *out);

/* ---------------------------------------------------------------- PTR */

/*
 * PTR (15, 10): parametric test, one measured RESULT with its limits. Every field after
 * PARM_FLG is optional. RESULT is valid unless TEST_FLG has KELVO_TEST_FLG_RESULT_INVALID;
 * the numbers behind OPT_FLAG are valid as OPT_FLAG says (KELVO_PTR_OPT_*; an absent
 * OPT_FLAG reads 255, all of them invalid); the writer leaves invalid trailing numbers
 * off. Absent R4 fields hold the NaN with bit pattern 0xFFC00000. _buf copies the six
 * texts. A failed result is one with KELVO_TEST_FLG_FAILED set in TEST_FLG.
 */
typedef struct kelvo_ptr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint32_t TEST_NUM;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint8_t TEST_FLG;
    uint8_t PARM_FLG;
    float RESULT;
    kelvo_cn TEST_TXT;
    kelvo_cn ALARM_ID;
    uint8_t OPT_FLAG;
    int8_t RES_SCAL;
    int8_t LLM_SCAL;
    int8_t HLM_SCAL;
    float LO_LIMIT;
    float HI_LIMIT;
    kelvo_cn UNITS;
    kelvo_cn C_RESFMT;
    kelvo_cn C_LLMFMT;
    kelvo_cn C_HLMFMT;
    float LO_SPEC;
    float HI_SPEC;
} kelvo_ptr_struct;

/* OPT_FLAG bits of PTR and MPR: a set bit marks fields not valid. */
#define KELVO_PTR_OPT_NO_RES_SCAL 0x01u /* RES_SCAL */
#define KELVO_PTR_OPT_NO_LO_SPEC  0x04u /* LO_SPEC */
#define KELVO_PTR_OPT_NO_HI_SPEC  0x08u /* HI_SPEC */
#define KELVO_PTR_OPT_NO_LO_LIMIT 0x50u /* either bit: LLM_SCAL and LO_LIMIT */
#define KELVO_PTR_OPT_NO_HI_LIMIT 0xA0u /* either bit: HLM_SCAL and HI_LIMIT */

enum { /* PTR status words, in wire order */
    KELVO_PTR_RESULT = 0, KELVO_PTR_TEST_TXT = 1, KELVO_PTR_ALARM_ID = 2, KELVO_PTR_OPT_FLAG = 3,
    KELVO_PTR_RES_SCAL = 4, KELVO_PTR_LLM_SCAL = 5, KELVO_PTR_HLM_SCAL = 6, KELVO_PTR_LO_LIMIT = 7,
    KELVO_PTR_HI_LIMIT = 8, KELVO_PTR_UNITS = 9, KELVO_PTR_C_RESFMT = 10, KELVO_PTR_C_LLMFMT = 11,
    KELVO_PTR_C_HLMFMT = 12, KELVO_PTR_LO_SPEC = 13, KELVO_PTR_HI_SPEC = 14,
    KELVO_PTR_STATUS_WORDS = 15
};

KELVO_API int kelvo_ptrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status);
KELVO_API int kelvo_ptrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status);
KELVO_API void kelvo_ptr_to_struct(kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_ptr_buf(kelvo_ptr_struct *ptr);
KELVO_API int kelvo_ptrwrite(int handle, kelvo_ptr_struct *ptr);
KELVO_API int kelvo_ptr_size(kelvo_ptr_struct *ptr);
KELVO_API void kelvo_ptr_to_memory(const kelvo_ptr_struct *ptr, void *out);

/* ---------------------------------------------------------------- MPR, FTR */
/* MPR (15, 15): multiple-result parametric test. Decoding converts RTN_STAT (one state per
 * byte), RTN_RSLT and RTN_INDX into the array buffer (absent: null); _buf copies the seven
 * texts, the arrays stay. OPT_FLAG as in PTR (KELVO_PTR_OPT_*), and
 * KELVO_MPR_OPT_NO_START_IN marks START_IN and INCR_IN not valid. The count words are
 * valid also when absent (the counts then 0); an array word is valid when its count is
 * not 0. */
typedef struct kelvo_mpr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint32_t TEST_NUM;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint8_t TEST_FLG;
    uint8_t PARM_FLG;
    uint16_t RTN_ICNT;
    uint16_t RSLT_CNT;
    uint8_t *RTN_STAT;  /* RTN_ICNT states 0-15, one per byte */
    float *RTN_RSLT;    /* RSLT_CNT results */
    kelvo_cn TEST_TXT;
    kelvo_cn ALARM_ID;
    uint8_t OPT_FLAG;
    int8_t RES_SCAL;
    int8_t LLM_SCAL;
    int8_t HLM_SCAL;
    float LO_LIMIT;
    float HI_LIMIT;
    float START_IN;
    float INCR_IN;
    uint16_t *RTN_INDX; /* RTN_ICNT indexes */
    kelvo_cn UNITS;
    kelvo_cn UNITS_IN;
    kelvo_cn C_RESFMT;
    kelvo_cn C_LLMFMT;
    kelvo_cn C_HLMFMT;
    float LO_SPEC;
    float HI_SPEC;
} kelvo_mpr_struct;

#define KELVO_MPR_OPT_NO_START_IN 0x02u /* START_IN and INCR_IN */

enum { /* MPR status words, in wire order */
    KELVO_MPR_RTN_ICNT = 0, KELVO_MPR_RSLT_CNT = 1, KELVO_MPR_RTN_STAT = 2, KELVO_MPR_RTN_RSLT = 3,
    KELVO_MPR_TEST_TXT = 4, KELVO_MPR_ALARM_ID = 5, KELVO_MPR_OPT_FLAG = 6, KELVO_MPR_RES_SCAL = 7,
    KELVO_MPR_LLM_SCAL = 8, KELVO_MPR_HLM_SCAL = 9, KELVO_MPR_LO_LIMIT = 10, KELVO_MPR_HI_LIMIT = 11,
    KELVO_MPR_START_IN = 12, KELVO_MPR_INCR_IN = 13, KELVO_MPR_RTN_INDX = 14, KELVO_MPR_UNITS = 15,
    KELVO_MPR_UNITS_IN = 16, KELVO_MPR_C_RESFMT = 17, KELVO_MPR_C_LLMFMT = 18, KELVO_MPR_C_HLMFMT = 19,
    KELVO_MPR_LO_SPEC = 20, KELVO_MPR_HI_SPEC = 21,
    KELVO_MPR_STATUS_WORDS = 22
};

KELVO_API int kelvo_mprread(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr, uint32_t *status);
KELVO_API int kelvo_mprbuf_read(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr, uint32_t *status);
KELVO_API void kelvo_mpr_to_struct(kelvo_mpr_struct *mpr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_mpr_buf(kelvo_mpr_struct *mpr);
KELVO_API int kelvo_mprwrite(int handle, kelvo_mpr_struct *mpr);
KELVO_API int kelvo_mpr_size(kelvo_mpr_struct *mpr);
KELVO_API void kelvo_mpr_to_memory(const kelvo_mpr_struct *mpr, void *out);

/* FTR (15, 20): functional test. Decoding converts RTN_INDX, RTN_STAT, PGM_INDX and
 * PGM_STAT into the array buffer (absent: null); FAIL_PIN and SPIN_MAP point into the read
 * buffer; _buf copies the seven texts, the rest stays. The numbers from CYCL_CNT to
 * VECT_OFF are valid as OPT_FLAG says (KELVO_FTR_OPT_*); missing, the U4 ones are
 * 0xFFFFFFFF, XFAIL_AD, YFAIL_AD and VECT_OFF -1, PATG_NUM 255. Count and array words as
 * in MPR. */
typedef struct kelvo_ftr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint32_t TEST_NUM;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint8_t TEST_FLG;
    uint8_t OPT_FLAG;
    uint32_t CYCL_CNT;
    uint32_t REL_VADR;
    uint32_t REPT_CNT;
    uint32_t NUM_FAIL;
    int32_t XFAIL_AD;
    int32_t YFAIL_AD;
    int16_t VECT_OFF;
    uint16_t RTN_ICNT;
    uint16_t PGM_ICNT;
    uint16_t *RTN_INDX; /* RTN_ICNT indexes */
    uint8_t *RTN_STAT;  /* RTN_ICNT states 0-15, one per byte */
    uint16_t *PGM_INDX; /* PGM_ICNT indexes */
    uint8_t *PGM_STAT;  /* PGM_ICNT states 0-15, one per byte */
    kelvo_dn FAIL_PIN;
    kelvo_cn VECT_NAM;
    kelvo_cn TIME_SET;
    kelvo_cn OP_CODE;
    kelvo_cn TEST_TXT;
    kelvo_cn ALARM_ID;
    kelvo_cn PROG_TXT;
    kelvo_cn RSLT_TXT;
    uint8_t PATG_NUM;
    kelvo_dn SPIN_MAP;
} kelvo_ftr_struct;

/* OPT_FLAG bits of FTR: a set bit marks fields not valid. */
#define KELVO_FTR_OPT_NO_CYCL_CNT 0x01u
#define KELVO_FTR_OPT_NO_REL_VADR 0x02u
#define KELVO_FTR_OPT_NO_REPT_CNT 0x04u
#define KELVO_FTR_OPT_NO_NUM_FAIL 0x08u
#define KELVO_FTR_OPT_NO_FAIL_AD  0x10u /* XFAIL_AD and YFAIL_AD */
#define KELVO_FTR_OPT_NO_VECT_OFF 0x20u

enum { /* FTR status words, in wire order */
    KELVO_FTR_OPT_FLAG = 0, KELVO_FTR_CYCL_CNT = 1, KELVO_FTR_REL_VADR = 2, KELVO_FTR_REPT_CNT = 3,
    KELVO_FTR_NUM_FAIL = 4, KELVO_FTR_XFAIL_AD = 5, KELVO_FTR_YFAIL_AD = 6, KELVO_FTR_VECT_OFF = 7,
    KELVO_FTR_RTN_ICNT = 8, KELVO_FTR_PGM_ICNT = 9, KELVO_FTR_RTN_INDX = 10, KELVO_FTR_RTN_STAT = 11,
    KELVO_FTR_PGM_INDX = 12, KELVO_FTR_PGM_STAT = 13, KELVO_FTR_FAIL_PIN = 14, KELVO_FTR_VECT_NAM = 15,
    KELVO_FTR_TIME_SET = 16, KELVO_FTR_OP_CODE = 17, KELVO_FTR_TEST_TXT = 18, KELVO_FTR_ALARM_ID = 19,
    KELVO_FTR_PROG_TXT = 20, KELVO_FTR_RSLT_TXT = 21, KELVO_FTR_PATG_NUM = 22, KELVO_FTR_SPIN_MAP = 23,
    KELVO_FTR_STATUS_WORDS = 24
};

/* On a version-3 handle the reader decodes with kelvo_v3_ftr_to_struct and buf_read
 * copies with kelvo_v3_ftr_buf. */
KELVO_API int kelvo_ftrread(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status);
KELVO_API int kelvo_ftrbuf_read(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status);
KELVO_API void kelvo_ftr_to_struct(kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_ftr_buf(kelvo_ftr_struct *ftr);
KELVO_API int kelvo_ftrwrite(int handle, kelvo_ftr_struct *ftr);
KELVO_API int kelvo_ftr_size(kelvo_ftr_struct *ftr);
KELVO_API void kelvo_ftr_to_memory(const kelvo_ftr_struct *ftr, void *out);

/* ---------------------------------------------------------------- TSR, WIR, WRR, WCR, PMR, PGR */
/* TSR (10, 30): test synopsis, one test over the run: its counts (missing 0xFFFFFFFF),
 * names, and statistics valid as OPT_FLAG says (KELVO_TSR_OPT_*). TEST_TYP is always
 * present, valid when not a space. _buf copies the three names. */
typedef struct kelvo_tsr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    char TEST_TYP;
    uint32_t TEST_NUM;
    uint32_t EXEC_CNT;
    uint32_t FAIL_CNT;
    uint32_t ALRM_CNT;
    kelvo_cn TEST_NAM;
    kelvo_cn SEQ_NAME;
    kelvo_cn TEST_LBL;
    uint8_t OPT_FLAG;
    float TEST_TIM;
    float TEST_MIN;
    float TEST_MAX;
    float TST_SUMS;
    float TST_SQRS;
} kelvo_tsr_struct;

/* OPT_FLAG bits of TSR: a set bit marks the field not valid. */
#define KELVO_TSR_OPT_NO_TEST_MIN 0x01u
#define KELVO_TSR_OPT_NO_TEST_MAX 0x02u
#define KELVO_TSR_OPT_NO_TEST_TIM 0x04u
#define KELVO_TSR_OPT_NO_TST_SUMS 0x10u
#define KELVO_TSR_OPT_NO_TST_SQRS 0x20u

enum { /* TSR status words */
    KELVO_TSR_TEST_TYP = 0, KELVO_TSR_EXEC_CNT = 1, KELVO_TSR_FAIL_CNT = 2, KELVO_TSR_ALRM_CNT = 3,
    KELVO_TSR_TEST_NAM = 4, KELVO_TSR_SEQ_NAME = 5, KELVO_TSR_TEST_LBL = 6, KELVO_TSR_OPT_FLAG = 7,
    KELVO_TSR_TEST_TIM = 8, KELVO_TSR_TEST_MIN = 9, KELVO_TSR_TEST_MAX = 10, KELVO_TSR_TST_SUMS = 11,
    KELVO_TSR_TST_SQRS = 12,
    KELVO_TSR_STATUS_WORDS = 13
};

/* On a version-3 handle the reader decodes with kelvo_v3_tsr_to_struct. */
KELVO_API int kelvo_tsrread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status);
KELVO_API int kelvo_tsrbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status);
KELVO_API void kelvo_tsr_to_struct(kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_tsr_buf(kelvo_tsr_struct *tsr);
KELVO_API int kelvo_tsrwrite(int handle, kelvo_tsr_struct *tsr);
KELVO_API int kelvo_tsr_size(kelvo_tsr_struct *tsr);
KELVO_API void kelvo_tsr_to_memory(const kelvo_tsr_struct *tsr, void *out);

/* WIR (2, 10): wafer information, the start of a wafer. SITE_GRP is valid when not 255; a
 * version-3 WIR has none (255, not present). _buf copies WAFER_ID. */
typedef struct kelvo_wir_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_GRP;
    uint32_t START_T;
    kelvo_cn WAFER_ID;
} kelvo_wir_struct;

enum { /* WIR status words */
    KELVO_WIR_SITE_GRP = 0, KELVO_WIR_WAFER_ID = 1,
    KELVO_WIR_STATUS_WORDS = 2
};

KELVO_API int kelvo_wirread(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status);
KELVO_API int kelvo_wirbuf_read(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status);
KELVO_API void kelvo_wir_to_struct(kelvo_wir_struct *wir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_wir_buf(kelvo_wir_struct *wir);
KELVO_API int kelvo_wirwrite(int handle, kelvo_wir_struct *wir);
KELVO_API int kelvo_wir_size(kelvo_wir_struct *wir);
KELVO_API void kelvo_wir_to_memory(const kelvo_wir_struct *wir, void *out);

/* WRR (2, 20): wafer results, the end of a wafer. SITE_GRP is valid when not 255;
 * PART_CNT has no status word; the other counts are missing as 0xFFFFFFFF. _buf copies
 * the six texts. On a version-3 handle the reader decodes with kelvo_v3_wrr_to_struct
 * and buf_read copies with kelvo_v3_wrr_buf. */
typedef struct kelvo_wrr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_GRP;
    uint32_t FINISH_T;
    uint32_t PART_CNT;
    uint32_t RTST_CNT;
    uint32_t ABRT_CNT;
    uint32_t GOOD_CNT;
    uint32_t FUNC_CNT;
    kelvo_cn WAFER_ID;
    kelvo_cn FABWF_ID;
    kelvo_cn FRAME_ID;
    kelvo_cn MASK_ID;
    kelvo_cn USR_DESC;
    kelvo_cn EXC_DESC;
} kelvo_wrr_struct;

enum { /* WRR status words */
    KELVO_WRR_SITE_GRP = 0, KELVO_WRR_RTST_CNT = 1, KELVO_WRR_ABRT_CNT = 2, KELVO_WRR_GOOD_CNT = 3,
    KELVO_WRR_FUNC_CNT = 4, KELVO_WRR_WAFER_ID = 5, KELVO_WRR_FABWF_ID = 6, KELVO_WRR_FRAME_ID = 7,
    KELVO_WRR_MASK_ID = 8, KELVO_WRR_USR_DESC = 9, KELVO_WRR_EXC_DESC = 10,
    KELVO_WRR_STATUS_WORDS = 11
};

KELVO_API int kelvo_wrrread(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status);
KELVO_API int kelvo_wrrbuf_read(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status);
KELVO_API void kelvo_wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_wrr_buf(kelvo_wrr_struct *wrr);
KELVO_API int kelvo_wrrwrite(int handle, kelvo_wrr_struct *wrr);
KELVO_API int kelvo_wrr_size(kelvo_wrr_struct *wrr);
KELVO_API void kelvo_wrr_to_memory(const kelvo_wrr_struct *wrr, void *out);

/* WCR (2, 30): wafer configuration; the structure is the record's image (24 bytes). A
 * field is present when the record holds it whole; missing: sizes 0.0, WF_UNITS 0,
 * WF_FLAT, POS_X and POS_Y a space, CENTER_X and CENTER_Y -32768 (a size is valid unless
 * 0.0, so a NaN counts as valid). No strings: no _buf, and kelvo_wcrbuf_read is the read. */
typedef struct kelvo_wcr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    float WAFR_SIZ;
    float DIE_HT;
    float DIE_WID;
    uint8_t WF_UNITS;
    char WF_FLAT;
    int16_t CENTER_X;
    int16_t CENTER_Y;
    char POS_X;
    char POS_Y;
} kelvo_wcr_struct;

enum { /* WCR status words */
    KELVO_WCR_WAFR_SIZ = 0, KELVO_WCR_DIE_HT = 1, KELVO_WCR_DIE_WID = 2, KELVO_WCR_WF_UNITS = 3,
    KELVO_WCR_WF_FLAT = 4, KELVO_WCR_CENTER_X = 5, KELVO_WCR_CENTER_Y = 6, KELVO_WCR_POS_X = 7,
    KELVO_WCR_POS_Y = 8,
    KELVO_WCR_STATUS_WORDS = 9
};

KELVO_API int kelvo_wcrread(int handle, const kelvo_header *header, kelvo_wcr_struct *wcr, uint32_t *status);
KELVO_API int kelvo_wcrbuf_read(int handle, const kelvo_header *header, kelvo_wcr_struct *wcr, uint32_t *status);
KELVO_API void kelvo_wcr_to_struct(kelvo_wcr_struct *wcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_wcrwrite(int handle, kelvo_wcr_struct *wcr);
KELVO_API int kelvo_wcr_size(kelvo_wcr_struct *wcr);
/* Copies REC_LEN + 4 bytes of the structure as they stand (as kelvo_far_to_memory). */
KELVO_API void kelvo_wcr_to_memory(const kelvo_wcr_struct *wcr, void *out);

/* PMR (1, 60): pin map, one tester channel and its names. CHAN_TYP is valid when not 0;
 * HEAD_NUM and SITE_NUM default to 1 and are always valid. _buf copies the three names. On
 * a version-3 handle the reader decodes with kelvo_v3_pmr_to_struct and buf_read copies
 * with kelvo_v3_pmr_buf. */
typedef struct kelvo_pmr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint16_t PMR_INDX;
    uint16_t CHAN_TYP;
    kelvo_cn CHAN_NAM;
    kelvo_cn PHY_NAM;
    kelvo_cn LOG_NAM;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
} kelvo_pmr_struct;

enum { /* PMR status words */
    KELVO_PMR_CHAN_TYP = 0, KELVO_PMR_CHAN_NAM = 1, KELVO_PMR_PHY_NAM = 2, KELVO_PMR_LOG_NAM = 3,
    KELVO_PMR_HEAD_NUM = 4, KELVO_PMR_SITE_NUM = 5,
    KELVO_PMR_STATUS_WORDS = 6
};

KELVO_API int kelvo_pmrread(int handle, const kelvo_header *header, kelvo_pmr_struct *pmr, uint32_t *status);
KELVO_API int kelvo_pmrbuf_read(int handle, const kelvo_header *header, kelvo_pmr_struct *pmr, uint32_t *status);
KELVO_API void kelvo_pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_pmr_buf(kelvo_pmr_struct *pmr);
KELVO_API int kelvo_pmrwrite(int handle, kelvo_pmr_struct *pmr);
KELVO_API int kelvo_pmr_size(kelvo_pmr_struct *pmr);
KELVO_API void kelvo_pmr_to_memory(const kelvo_pmr_struct *pmr, void *out);

/* PGR (1, 62): pin group, a named list of PMR indexes. PMR_INDX points into the library's
 * array buffer after a read (indexes the record does not hold are 0); _buf copies GRP_NAM
 * only. */
typedef struct kelvo_pgr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint16_t GRP_INDX;
    kelvo_cn GRP_NAM;
    uint16_t INDX_CNT;
    uint16_t *PMR_INDX;
} kelvo_pgr_struct;

enum { /* PGR status words */
    KELVO_PGR_GRP_NAM = 0, KELVO_PGR_INDX_CNT = 1,
    KELVO_PGR_STATUS_WORDS = 2
};

KELVO_API int kelvo_pgrread(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status);
KELVO_API int kelvo_pgrbuf_read(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status);
KELVO_API void kelvo_pgr_to_struct(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_pgr_buf(kelvo_pgr_struct *pgr);
KELVO_API int kelvo_pgrwrite(int handle, kelvo_pgr_struct *pgr);
KELVO_API int kelvo_pgr_size(kelvo_pgr_struct *pgr);
KELVO_API void kelvo_pgr_to_memory(const kelvo_pgr_struct *pgr, void *out);

/* ---------------------------------------------------------------- PLR, RDR, SDR, BPS, EPS, DTR */
/* PLR (1, 63): pin list, how pin groups are shown. The seven parallel arrays of the record
 * are gathered into GRP_CNT group entries in the library's array buffer. The status
 * argument is the address of the caller's pointer (null: none wanted): the library stores
 * there its own array of KELVO_PLR_STATUS_WORDS_PER_GROUP words per group, valid until the
 * next PLR decode that asks for it (null when it could not be had); group g's word of a
 * field is status[g * KELVO_PLR_STATUS_WORDS_PER_GROUP + KELVO_PLR_<FIELD>]. _buf copies
 * the four texts of every group. */
typedef struct kelvo_plr_group {
    uint16_t GRP_INDX;
    uint16_t GRP_MODE;
    uint8_t GRP_RADX;
    kelvo_cn PGM_CHAR, RTN_CHAR, PGM_CHAL, RTN_CHAL; /* missing: length 0, null pointer */
} kelvo_plr_group;

typedef struct kelvo_plr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint16_t GRP_CNT;
    kelvo_plr_group *GROUPS;
} kelvo_plr_struct;

enum { /* PLR status words of one group */
    KELVO_PLR_GRP_MODE = 0, KELVO_PLR_GRP_RADX = 1, KELVO_PLR_PGM_CHAR = 2, KELVO_PLR_RTN_CHAR = 3,
    KELVO_PLR_PGM_CHAL = 4, KELVO_PLR_RTN_CHAL = 5,
    KELVO_PLR_STATUS_WORDS_PER_GROUP = 6
};

KELVO_API int kelvo_plrread(int handle, const kelvo_header *header, kelvo_plr_struct *plr, uint32_t **status);
KELVO_API int kelvo_plrbuf_read(int handle, const kelvo_header *header, kelvo_plr_struct *plr, uint32_t **status);
KELVO_API void kelvo_plr_to_struct(kelvo_plr_struct *plr, const void *image, const kelvo_attributes *attr,
                                   uint32_t **status);
KELVO_API int kelvo_plr_buf(kelvo_plr_struct *plr);
KELVO_API int kelvo_plrwrite(int handle, kelvo_plr_struct *plr);
KELVO_API int kelvo_plr_size(kelvo_plr_struct *plr);
KELVO_API void kelvo_plr_to_memory(const kelvo_plr_struct *plr, void *out);

/* RDR (1, 70): retest data, the bins whose parts are retested. RTST_BIN lives in the array
 * buffer and always covers NUM_BINS (bins the record does not hold read 65535); no copy
 * function, kelvo_rdrbuf_read is the read. The word is valid when NUM_BINS is not 0. */
typedef struct kelvo_rdr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint16_t NUM_BINS;
    uint16_t *RTST_BIN;
} kelvo_rdr_struct;

enum { /* RDR status words */
    KELVO_RDR_RTST_BIN = 0,
    KELVO_RDR_STATUS_WORDS = 1
};

KELVO_API int kelvo_rdrread(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status);
KELVO_API int kelvo_rdrbuf_read(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status);
KELVO_API void kelvo_rdr_to_struct(kelvo_rdr_struct *rdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_rdrwrite(int handle, kelvo_rdr_struct *rdr);
KELVO_API int kelvo_rdr_size(kelvo_rdr_struct *rdr);
KELVO_API void kelvo_rdr_to_memory(const kelvo_rdr_struct *rdr, void *out);

/* SDR (1, 80): site description, the sites of a site group and the equipment that tests
 * them. One status word per string (HAND_TYP to EXTR_ID); _buf copies the sixteen
 * strings. SITE_NUM points into the read buffer, also after kelvo_sdr_buf, and SITE_CNT is
 * cut to the site numbers the record holds. */
typedef struct kelvo_sdr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_GRP;
    uint8_t SITE_CNT;
    uint8_t *SITE_NUM;
    kelvo_cn HAND_TYP;
    kelvo_cn HAND_ID;
    kelvo_cn CARD_TYP;
    kelvo_cn CARD_ID;
    kelvo_cn LOAD_TYP;
    kelvo_cn LOAD_ID;
    kelvo_cn DIB_TYP;
    kelvo_cn DIB_ID;
    kelvo_cn CABL_TYP;
    kelvo_cn CABL_ID;
    kelvo_cn CONT_TYP;
    kelvo_cn CONT_ID;
    kelvo_cn LASR_TYP;
    kelvo_cn LASR_ID;
    kelvo_cn EXTR_TYP;
    kelvo_cn EXTR_ID;
} kelvo_sdr_struct;

enum { /* SDR status words */
    KELVO_SDR_HAND_TYP = 0, KELVO_SDR_HAND_ID = 1, KELVO_SDR_CARD_TYP = 2, KELVO_SDR_CARD_ID = 3,
    KELVO_SDR_LOAD_TYP = 4, KELVO_SDR_LOAD_ID = 5, KELVO_SDR_DIB_TYP = 6, KELVO_SDR_DIB_ID = 7,
    KELVO_SDR_CABL_TYP = 8, KELVO_SDR_CABL_ID = 9, KELVO_SDR_CONT_TYP = 10, KELVO_SDR_CONT_ID = 11,
    KELVO_SDR_LASR_TYP = 12, KELVO_SDR_LASR_ID = 13, KELVO_SDR_EXTR_TYP = 14, KELVO_SDR_EXTR_ID = 15,
    KELVO_SDR_STATUS_WORDS = 16
};

KELVO_API int kelvo_sdrread(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status);
KELVO_API int kelvo_sdrbuf_read(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status);
KELVO_API void kelvo_sdr_to_struct(kelvo_sdr_struct *sdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_sdr_buf(kelvo_sdr_struct *sdr);
KELVO_API int kelvo_sdrwrite(int handle, kelvo_sdr_struct *sdr);
KELVO_API int kelvo_sdr_size(kelvo_sdr_struct *sdr);
KELVO_API void kelvo_sdr_to_memory(const kelvo_sdr_struct *sdr, void *out);

/* BPS (20, 10) and DTR (50, 30): one counted string each, one layout; they share their
 * copy and encoder. BPS begins a program section named SEQ_NAME (until the next EPS); DTR
 * carries a line of datalog text. BPS takes a status array of one word; DTR takes none.
 * A BPS without a name is written as the bare header (REC_LEN 0). */
typedef struct kelvo_bps_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    kelvo_cn SEQ_NAME;
} kelvo_bps_struct;

typedef struct kelvo_dtr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    kelvo_cn TEXT_DAT;
} kelvo_dtr_struct;

enum { /* BPS status words */
    KELVO_BPS_SEQ_NAME = 0,
    KELVO_BPS_STATUS_WORDS = 1
};

/* EPS (20, 20): end of a program section, the header alone; no copy function, no status
 * array. */
typedef struct kelvo_eps_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
} kelvo_eps_struct;

KELVO_API int kelvo_bpsread(int handle, const kelvo_header *header, kelvo_bps_struct *bps, uint32_t *status);
KELVO_API int kelvo_bpsbuf_read(int handle, const kelvo_header *header, kelvo_bps_struct *bps, uint32_t *status);
KELVO_API void kelvo_bps_to_struct(kelvo_bps_struct *bps, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_bps_buf(kelvo_bps_struct *bps);
KELVO_API int kelvo_bpswrite(int handle, kelvo_bps_struct *bps);
KELVO_API int kelvo_bps_size(kelvo_bps_struct *bps);
KELVO_API void kelvo_bps_to_memory(const kelvo_bps_struct *bps, void *out);

KELVO_API int kelvo_epsread(int handle, const kelvo_header *header, kelvo_eps_struct *eps);
KELVO_API int kelvo_epsbuf_read(int handle, const kelvo_header *header, kelvo_eps_struct *eps);
KELVO_API void kelvo_eps_to_struct(kelvo_eps_struct *eps, const void *image, const kelvo_attributes *attr);
KELVO_API int kelvo_epswrite(int handle, kelvo_eps_struct *eps);
KELVO_API int kelvo_eps_size(kelvo_eps_struct *eps);
KELVO_API void kelvo_eps_to_memory(const kelvo_eps_struct *eps, void *out);

KELVO_API int kelvo_dtrread(int handle, const kelvo_header *header, kelvo_dtr_struct *dtr);
KELVO_API int kelvo_dtrbuf_read(int handle, const kelvo_header *header, kelvo_dtr_struct *dtr);
KELVO_API void kelvo_dtr_to_struct(kelvo_dtr_struct *dtr, const void *image, const kelvo_attributes *attr);
KELVO_API int kelvo_dtr_buf(kelvo_dtr_struct *dtr);
KELVO_API int kelvo_dtrwrite(int handle, kelvo_dtr_struct *dtr);
KELVO_API int kelvo_dtr_size(kelvo_dtr_struct *dtr);
KELVO_API void kelvo_dtr_to_memory(const kelvo_dtr_struct *dtr, void *out);

/* ---------------------------------------------------------------- GDR, STR */
/* GDR (50, 10): generic data, a list of typed fields. No status array. Type codes of
 * kelvo_gdr_field.type: */
#define KELVO_GDR_B0 0  /* pad byte: no value */
#define KELVO_GDR_U1 1
#define KELVO_GDR_U2 2
#define KELVO_GDR_U4 3
#define KELVO_GDR_I1 4
#define KELVO_GDR_I2 5
#define KELVO_GDR_I4 6
#define KELVO_GDR_R4 7
#define KELVO_GDR_R8 8
#define KELVO_GDR_CN 10 /* value: the characters (char *); len: their count */
#define KELVO_GDR_BN 11 /* value: a kelvo_bn *; len: the byte count */
#define KELVO_GDR_DN 12 /* value: a kelvo_dn *; len: the byte count */
#define KELVO_GDR_N1 13 /* one byte, low 4 bits */
#define KELVO_GDR_I8 14 /* 8-byte integer */

typedef struct kelvo_gdr_field {
    uint8_t type;  /* type code; 9 and above 14 carry no value */
    uint32_t size; /* value bytes after the type code (set by decoding and by the size functions) */
    uint16_t len;  /* Cn: characters; Bn, Dn: data bytes */
    void *value;   /* numbers: aligned, host form; null for pad and unknown codes */
} kelvo_gdr_field;

typedef struct kelvo_gdr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint16_t FLD_CNT;
    kelvo_gdr_field *GEN_DATA; /* decoded: library-owned table, valid until the next GDR decode */
} kelvo_gdr_struct;

/* Decoding places every value in the array buffer (numbers aligned to their size and in
 * host form, Cn characters NUL-terminated); Bn and Dn bytes stay in the read buffer, and
 * their descriptors belong to the library. All of it is valid until the next GDR decode
 * (and the next read, or decode of a record that uses the array buffer). A record whose
 * fields run past its end keeps the fields that begin inside it (FLD_CNT says how many),
 * Cn, Bn and Dn cut to the bytes it holds. Only a record read whole is decoded: the
 * reader returns 0 otherwise, and also when the field table cannot be had. */
KELVO_API int kelvo_gdrread(int handle, const kelvo_header *header, kelvo_gdr_struct *gdr);
KELVO_API int kelvo_gdrbuf_read(int handle, const kelvo_header *header, kelvo_gdr_struct *gdr);
KELVO_API void kelvo_gdr_to_struct(kelvo_gdr_struct *gdr, const void *image, const kelvo_attributes *attr);
/* Copies the Cn values into the string buffer, NUL-terminated. */
KELVO_API int kelvo_gdr_buf(kelvo_gdr_struct *gdr);
/* REC_TYP on entry selects the codes written: 0 GDR (50,10); 1-5 (1,90)-(1,94); 6 (15,30);
 * 7 (0,30); any other value keeps REC_TYP and REC_SUB. REC_SUB 10 is written as a GDR,
 * anything else in the scan encoding (the values alone: no FLD_CNT, no type codes).
 * Cn values are NUL-terminated strings. Returns 0 for a null structure. */
KELVO_API int kelvo_gdrwrite(int handle, kelvo_gdr_struct *gdr);
KELVO_API int kelvo_gdr_size(kelvo_gdr_struct *gdr);
KELVO_API void kelvo_gdr_to_memory(const kelvo_gdr_struct *gdr, void *out);
/* The scan encoding: kelvo_scan_size keeps REC_LEN in a library-held header (not in the
 * structure), which kelvo_scan_to_memory writes with the structure's codes and never
 * writes past; call them as a pair. */
KELVO_API int kelvo_scan_size(kelvo_gdr_struct *gdr);
KELVO_API void kelvo_scan_to_memory(const kelvo_gdr_struct *gdr, void *out);

/* STR: scan test record. The caller sets the whole header, REC_LEN included (kelvo_str_size
 * computes it; KELVO_STR_TYP and KELVO_STR_SUB are the codes the GDR writer's selector 6
 * gives). A sized array holds one element per 32-bit word: X the low word and X_HI the
 * high word of elements wider than 4 bytes (null otherwise); on the wire an element takes
 * its width in bytes (CYC_SIZE and the like). Decoding converts every number by the file's
 * CPU type; it builds the sized arrays and the COND_LST and USER_TXT length and pointer
 * arrays in library-owned storage that the next STR decode reuses, while texts, bit maps
 * and byte arrays point into the read buffer. Texts, bit maps and byte arrays that run
 * past the end of the record are cut to the bytes it holds; other counts keep their value,
 * the elements the record does not hold being 0 or empty texts. Field status array:
 * KELVO_STR_STATUS_WORDS words, of which the decoder touches only those named below. */
typedef struct kelvo_str_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t CONT_FLG;
    uint32_t TEST_NUM;
    uint8_t HEAD_NUM;
    uint8_t SITE_NUM;
    uint16_t PSR_REF;
    uint8_t TEST_FLG;
    kelvo_cn LOG_TYP;
    kelvo_cn TEST_TXT;
    kelvo_cn ALARM_ID;
    kelvo_cn PROG_TXT;
    kelvo_cn RSLT_TXT;
    uint8_t Z_VAL;
    uint8_t FMU_FLG;        /* bit 0: MASK_MAP follows; bit 2: FAL_MAP follows */
    uint16_t MASK_LEN;      /* byte count of MASK_MAP */
    kelvo_dn MASK_MAP;
    uint16_t FAL_LEN;       /* byte count of FAL_MAP */
    kelvo_dn FAL_MAP;
    uint32_t CNT_BLOCK[6];
    uint32_t BIT_BASE;
    uint16_t COND_CNT;
    uint16_t LIM_CNT;
    uint8_t CYC_SIZE;
    uint8_t PMR_SIZE;
    uint8_t CHN_SIZE;
    uint8_t PAT_SIZE;
    uint8_t BIT_SIZE;
    uint8_t U1_SIZE;
    uint8_t U2_SIZE;
    uint8_t U3_SIZE;
    uint8_t UTX_SIZE;
    uint16_t CAP_BGN;
    uint8_t *COND_LEN;
    char **COND_LST;
    uint16_t CYCO_CNT;
    uint32_t *CYC_OFST;
    uint32_t *CYC_OFST_HI;
    uint16_t PMR_CNT;
    uint32_t *PMR_INDX;
    uint32_t *PMR_INDX_HI;
    uint16_t CHN_CNT;
    uint32_t *CHN_NUM;
    uint32_t *CHN_NUM_HI;
    uint16_t EXP_CNT;
    uint8_t *EXP_DATA;
    uint16_t CAP_CNT;
    uint8_t *CAP_DATA;
    uint16_t NEW_CNT;
    uint8_t *NEW_DATA;
    uint16_t PAT_CNT;
    uint32_t *PAT_NUM;
    uint32_t *PAT_NUM_HI;
    uint16_t BPOS_CNT;
    uint32_t *BIT_POS;
    uint32_t *BIT_POS_HI;
    uint16_t USR1_CNT;
    uint32_t *USR1;
    uint32_t *USR1_HI;
    uint16_t USR2_CNT;
    uint32_t *USR2;
    uint32_t *USR2_HI;
    uint16_t USR3_CNT;
    uint32_t *USR3;
    uint32_t *USR3_HI;
    uint16_t TXT_CNT;
    uint8_t *USER_TXT_LEN;
    char **USER_TXT;
} kelvo_str_struct;

enum { /* STR status words */
    KELVO_STR_LOG_TYP = 2, KELVO_STR_TEST_TXT = 3, KELVO_STR_ALARM_ID = 4, KELVO_STR_PROG_TXT = 5,
    KELVO_STR_RSLT_TXT = 6, KELVO_STR_MASK_MAP = 9, KELVO_STR_FAL_MAP = 10, KELVO_STR_COND_LST = 17,
    KELVO_STR_STATUS_WORDS = 18
};

KELVO_API int kelvo_strread(int handle, const kelvo_header *header, kelvo_str_struct *str, uint32_t *status);
KELVO_API int kelvo_strbuf_read(int handle, const kelvo_header *header, kelvo_str_struct *str, uint32_t *status);
KELVO_API void kelvo_str_to_struct(kelvo_str_struct *str, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
/* Copies the five texts, COND_LST and USER_TXT (texts NUL-terminated, with their length
 * and pointer arrays) into the string buffer; bit maps and arrays stay where they are. */
KELVO_API int kelvo_str_buf(kelvo_str_struct *str);
/* Writes REC_LEN + 4 bytes as the caller set them: -1 for handle -1, -2 when the write
 * buffer cannot be had, 0 (nothing written) when the fields need more than REC_LEN. */
KELVO_API int kelvo_strwrite(int handle, kelvo_str_struct *str);
/* Stores the REC_LEN that the fields need, from the length and count members as they
 * stand (texts are not measured), and returns REC_LEN + 4. */
KELVO_API int kelvo_str_size(kelvo_str_struct *str);
KELVO_API void kelvo_str_to_memory(const kelvo_str_struct *str, void *out);

/* ---------------------------------------------------------------- version-3 input */
/*
 * A version-3 file has no FAR: it opens with a MIR whose body begins with CPU_TYPE and
 * KELVO_VER (3). kelvo_mirread recognises it and makes the handle a version-3 handle
 * ({CPU_TYPE, 3} in Kelvo_file_attributes); from then on the readers of MIR, PIR, PRR,
 * PTR, FTR, HBR, SBR, PMR, WRR and TSR decode the version-3 layouts into the version-4
 * structures (MRR and WIR decode both layouts themselves), and the records that only
 * version 3 has (KELVO_PDR_TYP ... KELVO_SCR_TYP) are read with the functions below, into
 * the version-4 structure of the corresponding record, whose status words they set. Their
 * readers, buf_reads and decoders follow the record family (results as above); a
 * version-3 decoder fills the members version 3 lacks with their missing values.
 *
 * Texts that the conversion composes (formats, PDR units, FTR TIME_SET and RSLT_TXT, PMR
 * CHAN_NAM, TSR names taken from the name list) live in static areas of their decoder
 * until the next decode of the same record kind; the version-3 copies leave them there.
 */

/* Name lists: per handle, the test and sequence names that PDR, FDR, PTR and FTR records
 * give a test number, ordered by test number, kept until the version-3 TSR of that test
 * takes them. The first non-empty name offered for a test number stays. Names are heap
 * copies of length + 1 bytes, NUL-terminated (null while none was offered). Opening a
 * handle empties and releases its list. */
typedef struct kelvo_name_entry {
    uint32_t TEST_NUM;
    uint8_t TEST_NAM_LEN;
    char *TEST_NAM;
    uint8_t SEQ_NAME_LEN;
    char *SEQ_NAME;
} kelvo_name_entry;

typedef struct kelvo_list_node {
    kelvo_name_entry *entry;
    struct kelvo_list_node *prev, *next;
} kelvo_list_node;

typedef struct kelvo_list_head {
    kelvo_list_node *first, *last, *cursor;
} kelvo_list_head;

/* Offer len characters (not NUL-terminated) as the test or sequence name of test_num on
 * the handle's list. A handle outside 0-31 is ignored; a failed allocation drops the offer. */
KELVO_API void kelvo_add_test_nam(int handle, uint32_t test_num, uint8_t len, const char *chars);
KELVO_API void kelvo_add_seq_name(int handle, uint32_t test_num, uint8_t len, const char *chars);
/* The node of test_num in the list, or null (also for a null head). With remove non-zero the
 * node is unlinked and handed over: the caller frees the node, its entry and both names
 * with free(). */
KELVO_API kelvo_list_node *kelvo_get_list_entry(kelvo_list_head *head, uint32_t test_num, int remove);

/* MIR. read_v3_mir reads the rest of a version-3 MIR whose first two body bytes
 * kelvo_mirread consumed; call it only through kelvo_mirread. It returns the body bytes
 * consumed (REC_LEN when the record was read whole, 2 when the rest was cut short), 0 when
 * the read buffer cannot be had. The present bit of status word KELVO_MIR_VERSION3 marks a
 * version-3 MIR; HAND_ID and PRB_CARD have words of their own. kelvo_v3_mir_buf copies
 * the thirteen texts version 3 has and TEST_COD (3 characters, no length byte on the
 * wire). */
KELVO_API int read_v3_mir(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);
KELVO_API void kelvo_mir_v3_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status);
KELVO_API int kelvo_v3_mir_buf(kelvo_mir_struct *mir);

/* PDR (10, 10): a parametric test's description, decoded into a PTR structure (PTR status
 * words) that carries its limits, units and formats and no result (RESULT 0.0, TEST_FLG
 * KELVO_TEST_FLG_NOT_EXECUTED); its names go to the name list. Every text of it lies in
 * a static area: kelvo_v3_pdrbuf_read is the read. The reader also returns 0 when the
 * names could not be kept. */
KELVO_API int kelvo_v3_pdrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status);
KELVO_API int kelvo_v3_pdrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr,
                                   uint32_t *status);
KELVO_API void kelvo_v3_pdr_to_ptr_struct(int handle, kelvo_ptr_struct *ptr, const void *image,
                                          const kelvo_attributes *attr, uint32_t *status);
/* PTR: the version-3 decoder and copy that kelvo_ptrread and kelvo_ptrbuf_read use. The
 * copy moves UNITS and TEST_TXT; the formats stay in the decoder's static areas. */
KELVO_API void kelvo_v3_ptr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image,
                                      const kelvo_attributes *attr, uint32_t *status);
KELVO_API int kelvo_v3_ptr_buf(kelvo_ptr_struct *ptr);

/* FDR (10, 20): a functional test's description; only its names are kept (name list), no
 * structure is filled and no status array taken. The reader returns REC_LEN, or 0 as
 * any reader does and when the names could not be kept; kelvo_v3_fdrbuf_read is the read. */
KELVO_API int kelvo_v3_fdrread(int handle, const kelvo_header *header);
KELVO_API int kelvo_v3_fdrbuf_read(int handle, const kelvo_header *header);
KELVO_API void kelvo_v3_fdr_to_struct(int handle, const void *image, const kelvo_attributes *attr);
/* FTR: the version-3 decoder and copy that kelvo_ftrread and kelvo_ftrbuf_read use. The two
 * state bitmaps are expanded into RTN_INDX/RTN_STAT and PGM_INDX/PGM_STAT in the array
 * buffer (one entry per bit). The copy moves TEST_TXT only; TIME_SET and RSLT_TXT stay in
 * static areas. */
KELVO_API void kelvo_v3_ftr_to_struct(int handle, kelvo_ftr_struct *ftr, const void *image,
                                      const kelvo_attributes *attr, uint32_t *status);
KELVO_API int kelvo_v3_ftr_buf(kelvo_ftr_struct *ftr);

/* PIR and PRR: a version-3 PIR's coordinates and PART_ID are kept per handle, head (0-3)
 * and site (0-31) and given to the next PRR of that head and site where its own are
 * missing. Note the handle comes last. */
KELVO_API void kelvo_v3_pir_to_struct(kelvo_pir_struct *pir, const void *image, const kelvo_attributes *attr,
                                      int handle);
KELVO_API void kelvo_v3_prr_to_struct(kelvo_prr_struct *prr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status, int handle);
/* PMR, HBR, SBR, WRR: the version-3 decoders (and copies) that their readers use. HBR and
 * SBR (whose version-3 form has no pass/fail character: a space) copy with their
 * version-4 _buf; kelvo_v3_pmr_buf moves PHY_NAM (CHAN_NAM stays in a static area),
 * kelvo_v3_wrr_buf WAFER_ID, USR_DESC and EXC_DESC. */
KELVO_API void kelvo_v3_pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status);
KELVO_API int kelvo_v3_pmr_buf(kelvo_pmr_struct *pmr);
KELVO_API void kelvo_v3_hbr_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status);
KELVO_API void kelvo_v3_sbr_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status);
KELVO_API void kelvo_v3_wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status);
KELVO_API int kelvo_v3_wrr_buf(kelvo_wrr_struct *wrr);

/* SCR (25, 40): site part counts, decoded into a PCR structure (PCR status words); no
 * strings, kelvo_v3_scrbuf_read is the read. */
KELVO_API int kelvo_v3_scrread(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status);
KELVO_API int kelvo_v3_scrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr,
                                   uint32_t *status);
KELVO_API void kelvo_scr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
/* SHB (25, 10) and SSB (25, 20): site bin counts, decoded into HBR and SBR structures (their
 * status words; the pass/fail character, which they lack, is a space). Their copies move
 * the bin name. */
KELVO_API int kelvo_v3_shbread(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr, uint32_t *status);
KELVO_API int kelvo_v3_shbbuf_read(int handle, const kelvo_header *header, kelvo_hbr_struct *hbr,
                                   uint32_t *status);
KELVO_API void kelvo_shb_to_struct(kelvo_hbr_struct *hbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_shb_buf(kelvo_hbr_struct *hbr);
KELVO_API int kelvo_v3_ssbread(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr, uint32_t *status);
KELVO_API int kelvo_v3_ssbbuf_read(int handle, const kelvo_header *header, kelvo_sbr_struct *sbr,
                                   uint32_t *status);
KELVO_API void kelvo_ssb_to_struct(kelvo_sbr_struct *sbr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_ssb_buf(kelvo_sbr_struct *sbr);
/* STS (25, 30): a site's test synopsis, decoded into a TSR structure (TSR status words;
 * TEST_TYP a space, TEST_TIM missing). kelvo_sts_buf copies the three names. */
KELVO_API int kelvo_v3_stsread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status);
KELVO_API int kelvo_v3_stsbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr,
                                   uint32_t *status);
KELVO_API void kelvo_sts_to_struct(kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_sts_buf(kelvo_tsr_struct *tsr);
/* TSR: the version-3 decoder that kelvo_tsrread uses. Empty names are filled from the
 * handle's name list, and the test's entry is removed from it. */
KELVO_API void kelvo_v3_tsr_to_struct(int handle, kelvo_tsr_struct *tsr, const void *image,
                                      const kelvo_attributes *attr, uint32_t *status);

/* ---------------------------------------------------------------- utilities */

/* Conveniences for callers; the library does not use them. */

/* Digits right of the point in a printf format such as "%7.2f": 2; 6 without a point, 0
 * for null, at most 37. */
KELVO_API int kelvo_get_rdig(const char *format);
/* Left and right digits of a printf format (%W.Rf: left W - R - 2, right R): a pointer to
 * [0] left, [1] right, in static storage that the next call overwrites. A format not of
 * that form gives 0 and 6. */
KELVO_API int *kelvo_get_precision(const char *format);
/* A broken-down time (tm_year, tm_mon, tm_mday, tm_hour, tm_min, tm_sec, taken as UTC) to
 * the files' time form, seconds since 1970; 0 for null. */
KELVO_API uint32_t kelvo_time(const struct tm *tm);
/* Dumps n bytes to standard output: letters as themselves, other bytes as two hex digits,
 * each followed by a space, a newline after every 80 bytes. Returns n. */
KELVO_API int kelvo_print(const void *bytes, int n);

#ifdef __cplusplus
}
#endif

#endif /* KELVO_H */
