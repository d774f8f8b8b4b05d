/*
 * kelvo.h: read and write KELVO test-data files (version 4, and version 3 on input).
 *
 * The caller drives the file: it reads each record header with kelvo_headread and
 * calls the record's reader by REC_TYP and REC_SUB. Decoded structures point into
 * library-owned buffers (see each function). Single-threaded by contract.
 *
 * Failures of a reader (kelvo_<rec>read, kelvo_<rec>buf_read):
 *   REC_LEN  the record was read whole and decoded.
 *   0        the body was cut short by the end of the file (or a read error), REC_LEN
 *            was 0, or the record could not be decoded whole for want of memory: a
 *            buffer could not be had, or arrays (MPR, FTR, PGR, PLR, RDR, GDR, STR) or
 *            version-3 names and part states could not be kept. After a want of memory
 *            the file is positioned behind the record and no count is left without its
 *            array, so the caller may report the loss and go on with the next header;
 *            after a short body there is no next header. (kelvo_seek(handle, 0, SEEK_CUR)
 *            tells the two apart on a file that can seek.)
 *   -3       (buf_read) the record was read and decoded, but its copy into the string
 *            buffer found no memory: the structure still points into the read buffer,
 *            valid until the next read. The file is positioned behind the record.
 *   -2       (FAR, and a MIR on a handle without a version-4 FAR) the first body bytes
 *            could not be read, or the MIR is not a version-3 file's.
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

/* One entry per handle. */
extern KELVO_API kelvo_attributes Kelvo_file_attributes[32];

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

/* ---------------------------------------------------------------- file layer */

KELVO_API int kelvo_open(const char *path, const char *mode);
KELVO_API int kelvo_sopen(const char *path, const char *mode);
KELVO_API int kelvo_fidopen(int fd, const char *mode);
KELVO_API void kelvo_close(int handle);
KELVO_API int kelvo_flush(int handle);
KELVO_API void kelvo_clean(void);
KELVO_API void kelvo_sig_exit(void);
KELVO_API uint32_t kelvo_read(int handle, void *buffer, uint32_t size);
KELVO_API uint32_t kelvo_write(int handle, const void *buffer, uint32_t size);
KELVO_API long kelvo_seek(int handle, long offset, int whence);
KELVO_API int kelvo_headread(int handle, kelvo_header *header);
KELVO_API int kelvo_skip_record(int handle, const kelvo_header *header);

/* ---------------------------------------------------------------- number conversion */

KELVO_API int kelvo_shortswap(int cpu, void *p);
KELVO_API int kelvo_intswap(int cpu, void *p);
KELVO_API int kelvo_int64swap(int cpu, void *p);
KELVO_API float kelvo_floatcopy(int cpu, const void *p);
KELVO_API double kelvo_doublecopy(int cpu, const void *p);

/* ---------------------------------------------------------------- buffers */

KELVO_API void *kelvo_mem_alloc(void *pointer, uint32_t *capacity, uint32_t size);
KELVO_API void *kelvo_memcpy(void *destination, const void *source, int32_t n);
/* Releases every buffer the library holds for decoding (read, string and array buffers,
 * the GDR field table, the STR lists) and the version-3 names and part states of handles
 * that are closed; no pointer into them stays valid. They are had again when needed. */
KELVO_API void kelvo_free(void);
KELVO_API int kelvo_move_dstring(const kelvo_dn *source, void *destination);

/* ---------------------------------------------------------------- FAR (0, 10) */

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
/* MIR (1, 10): set-up of a test run.
 * Field status words (38): 0 MODE_COD, 1 RTST_COD, 2 PROT_COD, 3 BURN_TIM, 4 CMOD_COD,
 * 5-9 LOT_ID..JOB_NAM, 10-34 JOB_REV..SUPR_NAM, 35 present when decoded from a version-3 file,
 * 36 HAND_ID, 37 PRB_CARD. */
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

/* On a handle without a version-4 FAR, reads the CPU type and version bytes first:
 * version 3 makes the handle a version-3 handle; any other version returns -2. */
KELVO_API int kelvo_mirread(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);
KELVO_API int kelvo_mirbuf_read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);
KELVO_API void kelvo_mir_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_mir_buf(kelvo_mir_struct *mir);
KELVO_API int kelvo_mirwrite(int handle, kelvo_mir_struct *mir);
KELVO_API int kelvo_mir_size(kelvo_mir_struct *mir);
KELVO_API void kelvo_mir_to_memory(const kelvo_mir_struct *mir, void *out);

/* PCR (1, 30): part counts of one head and site (255: all).
 * Field status words (4): 0 RTST_CNT, 1 ABRT_CNT, 2 GOOD_CNT, 3 FUNC_CNT. */
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

KELVO_API int kelvo_pcrread(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status);
KELVO_API int kelvo_pcrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status);
KELVO_API void kelvo_pcr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_pcrwrite(int handle, kelvo_pcr_struct *pcr);
KELVO_API int kelvo_pcr_size(kelvo_pcr_struct *pcr);
KELVO_API void kelvo_pcr_to_memory(const kelvo_pcr_struct *pcr, void *out);

/* MRR (1, 20): end of a test run. A version-3 MRR's part counts arrive in PCR.
 * Field status words (12): 0-3 untouched, 4 DISP_COD, 5 USR_DESC, 6 EXC_DESC, 7 present when
 * decoded in the version-3 layout, 8-11 PCR.RTST_CNT..PCR.FUNC_CNT. */
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

KELVO_API int kelvo_mrrread(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status);
KELVO_API int kelvo_mrrbuf_read(int handle, const kelvo_header *header, kelvo_mrr_struct *mrr, uint32_t *status);
KELVO_API void kelvo_mrr_to_struct(kelvo_mrr_struct *mrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_mrr_buf(kelvo_mrr_struct *mrr);
KELVO_API int kelvo_mrrwrite(int handle, kelvo_mrr_struct *mrr);
KELVO_API int kelvo_mrr_size(kelvo_mrr_struct *mrr);
KELVO_API void kelvo_mrr_to_memory(const kelvo_mrr_struct *mrr, void *out);

/* ---------------------------------------------------------------- HBR, SBR, PIR, PRR */
/* HBR (1, 40) and SBR (1, 50): one layout; size, copy and encoder are shared. */

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

/* PIR (5, 10): no field status array. */

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

/* PRR (5, 20): status words 0 SOFT_BIN, 1 X_COORD, 2 Y_COORD, 3 TEST_T, 4 PART_ID,
   5 PART_TXT, 6 PART_FIX. */

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
 * PTR (15, 10): parametric test record. TEST_FLG bit 1 marks RESULT not valid; OPT_FLAG bits mark
 * RES_SCAL (0x01), LO_SPEC (0x04), HI_SPEC (0x08), LLM_SCAL and LO_LIMIT (0x10, 0x40),
 * HLM_SCAL and HI_LIMIT (0x20, 0x80) not valid. Absent R4 fields hold the NaN with
 * bit pattern 0xFFC00000. Field status array: 15 words, RESULT to HI_SPEC in wire order.
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

KELVO_API int kelvo_ptrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status);
KELVO_API int kelvo_ptrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status);
KELVO_API void kelvo_ptr_to_struct(kelvo_ptr_struct *ptr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
/* Moves the six texts into the string buffer, NUL-terminated. */
KELVO_API int kelvo_ptr_buf(kelvo_ptr_struct *ptr);
KELVO_API int kelvo_ptrwrite(int handle, kelvo_ptr_struct *ptr);
KELVO_API int kelvo_ptr_size(kelvo_ptr_struct *ptr);
KELVO_API void kelvo_ptr_to_memory(const kelvo_ptr_struct *ptr, void *out);

/* ---------------------------------------------------------------- MPR, FTR */
/* MPR (15, 15): multiple-result parametric record. Status words: 22 (RTN_ICNT .. HI_SPEC). */
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

KELVO_API int kelvo_mprread(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr, uint32_t *status);
KELVO_API int kelvo_mprbuf_read(int handle, const kelvo_header *header, kelvo_mpr_struct *mpr, uint32_t *status);
KELVO_API void kelvo_mpr_to_struct(kelvo_mpr_struct *mpr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_mpr_buf(kelvo_mpr_struct *mpr);
KELVO_API int kelvo_mprwrite(int handle, kelvo_mpr_struct *mpr);
KELVO_API int kelvo_mpr_size(kelvo_mpr_struct *mpr);
KELVO_API void kelvo_mpr_to_memory(const kelvo_mpr_struct *mpr, void *out);

/* FTR (15, 20): functional test record. Status words: 24 (OPT_FLAG .. SPIN_MAP). */
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

KELVO_API int kelvo_ftrread(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status);
KELVO_API int kelvo_ftrbuf_read(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status);
KELVO_API void kelvo_ftr_to_struct(kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_ftr_buf(kelvo_ftr_struct *ftr);
KELVO_API int kelvo_ftrwrite(int handle, kelvo_ftr_struct *ftr);
KELVO_API int kelvo_ftr_size(kelvo_ftr_struct *ftr);
KELVO_API void kelvo_ftr_to_memory(const kelvo_ftr_struct *ftr, void *out);

/* ---------------------------------------------------------------- TSR, WIR, WRR, WCR, PMR, PGR */
/* TSR (10, 30): test synopsis. Status words (13): TEST_TYP, EXEC_CNT, FAIL_CNT,
 * ALRM_CNT, TEST_NAM, SEQ_NAME, TEST_LBL, OPT_FLAG, TEST_TIM, TEST_MIN, TEST_MAX,
 * TST_SUMS, TST_SQRS. */
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

KELVO_API int kelvo_tsrread(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status);
KELVO_API int kelvo_tsrbuf_read(int handle, const kelvo_header *header, kelvo_tsr_struct *tsr, uint32_t *status);
KELVO_API void kelvo_tsr_to_struct(kelvo_tsr_struct *tsr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_tsr_buf(kelvo_tsr_struct *tsr);
KELVO_API int kelvo_tsrwrite(int handle, kelvo_tsr_struct *tsr);
KELVO_API int kelvo_tsr_size(kelvo_tsr_struct *tsr);
KELVO_API void kelvo_tsr_to_memory(const kelvo_tsr_struct *tsr, void *out);

/* WIR (2, 10): wafer information. Status words (2): SITE_GRP, WAFER_ID. */
typedef struct kelvo_wir_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint8_t HEAD_NUM;
    uint8_t SITE_GRP;
    uint32_t START_T;
    kelvo_cn WAFER_ID;
} kelvo_wir_struct;

KELVO_API int kelvo_wirread(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status);
KELVO_API int kelvo_wirbuf_read(int handle, const kelvo_header *header, kelvo_wir_struct *wir, uint32_t *status);
KELVO_API void kelvo_wir_to_struct(kelvo_wir_struct *wir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_wir_buf(kelvo_wir_struct *wir);
KELVO_API int kelvo_wirwrite(int handle, kelvo_wir_struct *wir);
KELVO_API int kelvo_wir_size(kelvo_wir_struct *wir);
KELVO_API void kelvo_wir_to_memory(const kelvo_wir_struct *wir, void *out);

/* WRR (2, 20): wafer results. Status words (11): SITE_GRP, RTST_CNT, ABRT_CNT,
 * GOOD_CNT, FUNC_CNT, WAFER_ID, FABWF_ID, FRAME_ID, MASK_ID, USR_DESC, EXC_DESC. */
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

KELVO_API int kelvo_wrrread(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status);
KELVO_API int kelvo_wrrbuf_read(int handle, const kelvo_header *header, kelvo_wrr_struct *wrr, uint32_t *status);
KELVO_API void kelvo_wrr_to_struct(kelvo_wrr_struct *wrr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_wrr_buf(kelvo_wrr_struct *wrr);
KELVO_API int kelvo_wrrwrite(int handle, kelvo_wrr_struct *wrr);
KELVO_API int kelvo_wrr_size(kelvo_wrr_struct *wrr);
KELVO_API void kelvo_wrr_to_memory(const kelvo_wrr_struct *wrr, void *out);

/* WCR (2, 30): wafer configuration; the structure is the record's image (24 bytes).
 * Status words (9): WAFR_SIZ, DIE_HT, DIE_WID, WF_UNITS, WF_FLAT, CENTER_X, CENTER_Y,
 * POS_X, POS_Y. No strings: there is no kelvo_wcr_buf. */
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

KELVO_API int kelvo_wcrread(int handle, const kelvo_header *header, kelvo_wcr_struct *wcr, uint32_t *status);
KELVO_API int kelvo_wcrbuf_read(int handle, const kelvo_header *header, kelvo_wcr_struct *wcr, uint32_t *status);
KELVO_API void kelvo_wcr_to_struct(kelvo_wcr_struct *wcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_wcrwrite(int handle, kelvo_wcr_struct *wcr);
KELVO_API int kelvo_wcr_size(kelvo_wcr_struct *wcr);
/* Copies REC_LEN + 4 bytes of the structure as they stand (as kelvo_far_to_memory). */
KELVO_API void kelvo_wcr_to_memory(const kelvo_wcr_struct *wcr, void *out);

/* PMR (1, 60): pin map. Status words (6): CHAN_TYP, CHAN_NAM, PHY_NAM, LOG_NAM,
 * HEAD_NUM, SITE_NUM. */
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

KELVO_API int kelvo_pmrread(int handle, const kelvo_header *header, kelvo_pmr_struct *pmr, uint32_t *status);
KELVO_API int kelvo_pmrbuf_read(int handle, const kelvo_header *header, kelvo_pmr_struct *pmr, uint32_t *status);
KELVO_API void kelvo_pmr_to_struct(kelvo_pmr_struct *pmr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_pmr_buf(kelvo_pmr_struct *pmr);
KELVO_API int kelvo_pmrwrite(int handle, kelvo_pmr_struct *pmr);
KELVO_API int kelvo_pmr_size(kelvo_pmr_struct *pmr);
KELVO_API void kelvo_pmr_to_memory(const kelvo_pmr_struct *pmr, void *out);

/* PGR (1, 62): pin group. Status words (2): GRP_NAM, INDX_CNT. PMR_INDX points into
 * the library's array buffer after a read. */
typedef struct kelvo_pgr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint16_t GRP_INDX;
    kelvo_cn GRP_NAM;
    uint16_t INDX_CNT;
    uint16_t *PMR_INDX;
} kelvo_pgr_struct;

KELVO_API int kelvo_pgrread(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status);
KELVO_API int kelvo_pgrbuf_read(int handle, const kelvo_header *header, kelvo_pgr_struct *pgr, uint32_t *status);
KELVO_API void kelvo_pgr_to_struct(kelvo_pgr_struct *pgr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_pgr_buf(kelvo_pgr_struct *pgr);
KELVO_API int kelvo_pgrwrite(int handle, kelvo_pgr_struct *pgr);
KELVO_API int kelvo_pgr_size(kelvo_pgr_struct *pgr);
KELVO_API void kelvo_pgr_to_memory(const kelvo_pgr_struct *pgr, void *out);

/* ---------------------------------------------------------------- PLR, RDR, SDR, BPS, EPS, DTR */
/* PLR (1, 63): pin list. The seven parallel arrays of the record are gathered into
 * GRP_CNT group entries in the library's array buffer. The status argument is the
 * address of the caller's pointer: the library stores there its own array of
 * 6 words per group (GRP_MODE, GRP_RADX, PGM_CHAR, RTN_CHAR, PGM_CHAL, RTN_CHAL). */
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

KELVO_API int kelvo_plrread(int handle, const kelvo_header *header, kelvo_plr_struct *plr, uint32_t **status);
KELVO_API int kelvo_plrbuf_read(int handle, const kelvo_header *header, kelvo_plr_struct *plr, uint32_t **status);
KELVO_API void kelvo_plr_to_struct(kelvo_plr_struct *plr, const void *image, const kelvo_attributes *attr,
                                   uint32_t **status);
KELVO_API int kelvo_plr_buf(kelvo_plr_struct *plr);
KELVO_API int kelvo_plrwrite(int handle, kelvo_plr_struct *plr);
KELVO_API int kelvo_plr_size(kelvo_plr_struct *plr);
KELVO_API void kelvo_plr_to_memory(const kelvo_plr_struct *plr, void *out);

/* RDR (1, 70): retest bins. RTST_BIN lives in the array buffer; no copy function.
 * Field status: 1 word (RTST_BIN). */
typedef struct kelvo_rdr_struct {
    uint16_t REC_LEN;
    uint8_t REC_TYP;
    uint8_t REC_SUB;
    uint16_t NUM_BINS;
    uint16_t *RTST_BIN;
} kelvo_rdr_struct;

KELVO_API int kelvo_rdrread(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status);
KELVO_API int kelvo_rdrbuf_read(int handle, const kelvo_header *header, kelvo_rdr_struct *rdr, uint32_t *status);
KELVO_API void kelvo_rdr_to_struct(kelvo_rdr_struct *rdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_rdrwrite(int handle, kelvo_rdr_struct *rdr);
KELVO_API int kelvo_rdr_size(kelvo_rdr_struct *rdr);
KELVO_API void kelvo_rdr_to_memory(const kelvo_rdr_struct *rdr, void *out);

/* SDR (1, 80): site description. Field status: 16 words, one per string (HAND_TYP
 * to EXTR_ID). SITE_NUM points into the read buffer, also after kelvo_sdr_buf. */
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

KELVO_API int kelvo_sdrread(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status);
KELVO_API int kelvo_sdrbuf_read(int handle, const kelvo_header *header, kelvo_sdr_struct *sdr, uint32_t *status);
KELVO_API void kelvo_sdr_to_struct(kelvo_sdr_struct *sdr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
KELVO_API int kelvo_sdr_buf(kelvo_sdr_struct *sdr);
KELVO_API int kelvo_sdrwrite(int handle, kelvo_sdr_struct *sdr);
KELVO_API int kelvo_sdr_size(kelvo_sdr_struct *sdr);
KELVO_API void kelvo_sdr_to_memory(const kelvo_sdr_struct *sdr, void *out);

/* BPS (20, 10) and DTR (50, 30): one counted string each, one layout; they share
 * their copy and encoder. BPS field status: 1 word (SEQ_NAME); DTR takes none. */
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

/* EPS (20, 20): the header alone; no copy function, no field status. */
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
/* GDR (50, 10): a list of typed fields. Type codes of kelvo_gdr_field.type: */
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
 * Cn, Bn and Dn cut to the bytes it holds. Only a record read whole is decoded. */
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
 * computes it). A sized array holds one element per 32-bit word: X the low word and X_HI the
 * high word of elements wider than 4 bytes (null otherwise); on the wire an element takes
 * its width in bytes (CYC_SIZE and the like). Decoding converts every number by the file's
 * CPU type; it builds the sized arrays and the COND_LST and USER_TXT length and pointer
 * arrays in library-owned storage that the next STR decode reuses, while texts, bit maps
 * and byte arrays point into the read buffer. Texts, bit maps and byte arrays that run
 * past the end of the record are cut to the bytes it holds; other counts keep their value,
 * the elements the record does not hold being 0 or empty texts. Field status array:
 * 18 words (2-6 the five texts, 9 and 10 the bit maps, 17 COND_LST). */
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

KELVO_API int kelvo_strread(int handle, const kelvo_header *header, kelvo_str_struct *str, uint32_t *status);
KELVO_API int kelvo_strbuf_read(int handle, const kelvo_header *header, kelvo_str_struct *str, uint32_t *status);
KELVO_API void kelvo_str_to_struct(kelvo_str_struct *str, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
/* Copies the five texts, COND_LST and USER_TXT (texts NUL-terminated, with their length
 * and pointer arrays) into the string buffer. */
KELVO_API int kelvo_str_buf(kelvo_str_struct *str);
/* Writes REC_LEN + 4 bytes as the caller set them: -1 for handle -1, -2 when the write
 * buffer cannot be had, 0 (nothing written) when the fields need more than REC_LEN. */
KELVO_API int kelvo_strwrite(int handle, kelvo_str_struct *str);
/* Stores the REC_LEN that the fields need, from the length and count members as they
 * stand, and returns REC_LEN + 4. */
KELVO_API int kelvo_str_size(kelvo_str_struct *str);
KELVO_API void kelvo_str_to_memory(const kelvo_str_struct *str, void *out);

/* ---------------------------------------------------------------- version-3 input */
/*
 * A version-3 file has no FAR: it opens with a MIR whose body begins with CPU_TYPE and
 * KELVO_VER (3). kelvo_mirread recognises it and makes the handle a version-3 handle
 * ({CPU_TYPE, 3} in Kelvo_file_attributes); from then on the readers of MIR, PIR, PRR,
 * PTR, FTR, HBR, SBR, PMR, WRR and TSR decode the version-3 layouts into the version-4
 * structures, and the records that only version 3 has are read with the functions below.
 * Version-3 files carry these codes for their own records (REC_TYP, REC_SUB): PDR (10, 10),
 * FDR (10, 20), SHB (25, 10), SSB (25, 20), STS (25, 30), SCR (25, 40).
 *
 * Texts that the conversion composes (formats, PDR units, FTR TIME_SET and RSLT_TXT, PMR
 * CHAN_NAM, TSR names taken from the name list) live in static areas of their decoder
 * until the next decode of the same record kind; buf_read copies them when the record's
 * copy says so.
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
 * the read buffer cannot be had. The status word 35 present bit marks a version-3 MIR. */
KELVO_API int read_v3_mir(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status);
KELVO_API void kelvo_mir_v3_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status);
KELVO_API int kelvo_v3_mir_buf(kelvo_mir_struct *mir);

/* PDR (10, 10): a parametric test's description, decoded into a PTR structure that carries
 * its limits, units and formats and no result; its names go to the name list. */
KELVO_API int kelvo_v3_pdrread(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr, uint32_t *status);
KELVO_API int kelvo_v3_pdrbuf_read(int handle, const kelvo_header *header, kelvo_ptr_struct *ptr,
                                   uint32_t *status);
KELVO_API void kelvo_v3_pdr_to_ptr_struct(int handle, kelvo_ptr_struct *ptr, const void *image,
                                          const kelvo_attributes *attr, uint32_t *status);
/* PTR: the version-3 decoder and copy that kelvo_ptrread and kelvo_ptrbuf_read use. */
KELVO_API void kelvo_v3_ptr_to_struct(int handle, kelvo_ptr_struct *ptr, const void *image,
                                      const kelvo_attributes *attr, uint32_t *status);
KELVO_API int kelvo_v3_ptr_buf(kelvo_ptr_struct *ptr);

/* FDR (10, 20): a functional test's description; only its names are kept (name list). */
KELVO_API int kelvo_v3_fdrread(int handle, const kelvo_header *header);
KELVO_API int kelvo_v3_fdrbuf_read(int handle, const kelvo_header *header);
KELVO_API void kelvo_v3_fdr_to_struct(int handle, const void *image, const kelvo_attributes *attr);
/* FTR: the version-3 decoder and copy that kelvo_ftrread and kelvo_ftrbuf_read use. The two
 * state bitmaps are expanded into RTN_INDX/RTN_STAT and PGM_INDX/PGM_STAT in the array
 * buffer (one entry per bit). */
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
/* PMR, HBR, SBR, WRR: the version-3 decoders (and copies) that their readers use. */
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

/* SCR (25, 40): site part counts, decoded into a PCR structure. */
KELVO_API int kelvo_v3_scrread(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr, uint32_t *status);
KELVO_API int kelvo_v3_scrbuf_read(int handle, const kelvo_header *header, kelvo_pcr_struct *pcr,
                                   uint32_t *status);
KELVO_API void kelvo_scr_to_struct(kelvo_pcr_struct *pcr, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status);
/* SHB (25, 10) and SSB (25, 20): site bin summaries, decoded into HBR and SBR structures. */
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
/* STS (25, 30): a site's test synopsis, decoded into a TSR structure. */
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

/* Digits right of the point in a printf format (6 without a point). */
KELVO_API int kelvo_get_rdig(const char *format);
/* Left and right digits of a printf format: [0] left, [1] right; static storage. */
KELVO_API int *kelvo_get_precision(const char *format);
/* Broken-down time to seconds since 1970 (no time zone). */
KELVO_API uint32_t kelvo_time(const struct tm *tm);
/* Dump n bytes to standard output: letters as themselves, other bytes in hex. */
KELVO_API int kelvo_print(const void *bytes, int n);

#ifdef __cplusplus
}
#endif

#endif /* KELVO_H */
