#pragma once
// Generated once by voice_encoder/tables/generate_tables.py; numbers as published.
// Constant tables of ITU-T G.729 and its Annexes A, D and E.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

// LP analysis window, 240 points (3.2.1); G.729 "hamwindow".
extern const Word16 lp_window[240];
// lag window, high part (3.2.1); G.729 "lag_h".
extern const Word16 lag_window_hi[10];
// lag window, low part (3.2.1); G.729 "lag_l".
extern const Word16 lag_window_lo[10];
// 140 Hz pre-filter numerator, Q12 (3.1); G.729 "b140".
extern const Word16 highpass_b[3];
// 140 Hz pre-filter denominator, Q12 (3.1); G.729 "a140".
extern const Word16 highpass_a[3];
// 100 Hz post-filter numerator, Q13; G.729 "b100".
extern const Word16 highpass100_b[3];
// 100 Hz post-filter denominator, Q12; G.729 "a100".
extern const Word16 highpass100_a[3];
// Annex A Chebyshev search grid, 51 points; G.729 "grid".
extern const Word16 lsp_grid[51];
// main-body search grid, 61 points; G.729 "grid_main_body".
extern const Word16 lsp_grid_main_body[61];
// cosine table for LSP<->LSF, Q15; G.729 "table".
extern const Word16 cos_table[65];
// slope of cos_table for LSP->LSF; G.729 "slope".
extern const Word16 cos_slope[64];
// cosine table for the Annex A LSF<->LSP, Q15; G.729 "table2".
extern const Word16 cos_table2[64];
// slope for LSF->LSP (Annex A), Q12; G.729 "slope_cos".
extern const Word16 slope_cos[64];
// slope for LSP->LSF (Annex A), Q12; G.729 "slope_acos".
extern const Word16 slope_acos[64];
// first-stage LSP codebook, Q13; G.729 "lspcb1".
extern const Word16 lsp_codebook1[128][10];
// split second-stage LSP codebook, Q13; G.729 "lspcb2".
extern const Word16 lsp_codebook2[32][10];
// two switched 4th-order MA predictors, Q15; G.729 "fg".
extern const Word16 lsp_ma_predictor[2][4][10];
// 1 - sum of each predictor, Q15; G.729 "fg_sum".
extern const Word16 lsp_ma_predictor_sum[2][10];
// inverse of lsp_ma_predictor_sum, Q12; G.729 "fg_sum_inv".
extern const Word16 lsp_ma_predictor_sum_inv[2][10];
// reset value of the LSP MA memory, Q13; G.729 "freq_prev_reset".
extern const Word16 lsp_ma_reset[10];
// 1/3-sample interpolation filter for the excitation, Q15; G.729 "inter_3l".
extern const Word16 inter_3l[31];
// 1/3-sample interpolation filter for correlations; G.729 "inter_3".
extern const Word16 inter_3[13];
// main-body post-filter up-sampling filter, short; G.729 "tab_hup_s".
extern const Word16 tab_hup_s[28];
// main-body post-filter up-sampling filter, long; G.729 "tab_hup_l".
extern const Word16 tab_hup_l[112];
// excitation-error zone of each delay (3.10); G.729 "tab_zone".
extern const Word16 taming_zone[153];
// fixed-codebook energy MA predictor, Q13; G.729 "pred".
extern const Word16 gain_ma_predictor[4];
// 7-bit gain codebook, first stage (GA); G.729 "gbk1".
extern const Word16 gain_codebook1[8][2];
// 7-bit gain codebook, second stage (GB); G.729 "gbk2".
extern const Word16 gain_codebook2[16][2];
// index map of gain_codebook1; G.729 "map1".
extern const Word16 gain_map1[8];
// index map of gain_codebook2; G.729 "map2".
extern const Word16 gain_map2[16];
// inverse index map of gain_codebook1; G.729 "imap1".
extern const Word16 gain_imap1[8];
// inverse index map of gain_codebook2; G.729 "imap2".
extern const Word16 gain_imap2[16];
// preselection line coefficients; G.729 "coef".
extern const Word16 gain_coef[2][2];
// preselection line coefficients, 32-bit; G.729 "L_coef".
extern const Word32 gain_coef_l[2][2];
// preselection thresholds, first stage; G.729 "thr1".
extern const Word16 gain_thr1[4];
// preselection thresholds, second stage; G.729 "thr2".
extern const Word16 gain_thr2[8];
// 6-bit gain codebook, first stage (Annex D); G.729 "gbk1_6k".
extern const Word16 gain_codebook1_6k[8][2];
// 6-bit gain codebook, second stage (Annex D); G.729 "gbk2_6k".
extern const Word16 gain_codebook2_6k[8][2];
// index map of gain_codebook1_6k; G.729 "map1_6k".
extern const Word16 gain_map1_6k[8];
// index map of gain_codebook2_6k; G.729 "map2_6k".
extern const Word16 gain_map2_6k[8];
// inverse index map of gain_codebook1_6k; G.729 "imap1_6k".
extern const Word16 gain_imap1_6k[8];
// inverse index map of gain_codebook2_6k; G.729 "imap2_6k".
extern const Word16 gain_imap2_6k[8];
// preselection line coefficients (Annex D); G.729 "coef_6k".
extern const Word16 gain_coef_6k[2][2];
// preselection line coefficients, 32-bit (Annex D); G.729 "L_coef_6k".
extern const Word32 gain_coef_l_6k[2][2];
// preselection thresholds, first stage (Annex D); G.729 "thr1_6k".
extern const Word16 gain_thr1_6k[2];
// preselection thresholds, second stage (Annex D); G.729 "thr2_6k".
extern const Word16 gain_thr2_6k[2];
// table of 2^x for pow2(); G.729 "tabpow".
extern const Word16 pow2_table[33];
// table of log2(x) for log2(); G.729 "tablog".
extern const Word16 log2_table[33];
// table of 1/sqrt(x) for inv_sqrt(); G.729 "tabsqr".
extern const Word16 inv_sqrt_table[49];
// two-pulse codebook, positions of pulse 0 (Annex D); G.729 "trackTable0".
extern const Word16 track_table0[16];
// two-pulse codebook, positions of pulse 1 (Annex D); G.729 "trackTable1".
extern const Word16 track_table1[32];
// Gray code of the two-pulse positions (Annex D); G.729 "grayEncode".
extern const Word16 gray_encode[32];
// inverse of gray_encode (Annex D); G.729 "grayDecode".
extern const Word16 gray_decode[32];
// phase dispersion impulse, low (Annex D); G.729 "ph_imp_low".
extern const Word16 phase_dispersion_low[40];
// phase dispersion impulse, mid (Annex D); G.729 "ph_imp_mid".
extern const Word16 phase_dispersion_mid[40];
// track order of the ten-pulse search (Annex E); G.729 "ipos".
extern const Word16 ten_pulse_track_order[16];

}  // namespace vox::g729
