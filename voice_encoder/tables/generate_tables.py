#!/usr/bin/env python3
"""Writes the coder's constant tables as C++ source, once, from the plain-number
files published with ITU-T G.729 (one file per table: a '# NAME TYPE SHAPE'
line, then the values in row-major order).

Usage: generate_tables.py TABLE_FOLDER OUTPUT_FOLDER
The generated files are kept in the source tree; the build does not run this.
"""
import pathlib
import sys

# (published name, our name, source group, what it is)
TABLES = [
    ("hamwindow", "lp_window", "analysis", "LP analysis window, 240 points (3.2.1)"),
    ("lag_h", "lag_window_hi", "analysis", "lag window, high part (3.2.1)"),
    ("lag_l", "lag_window_lo", "analysis", "lag window, low part (3.2.1)"),
    ("b140", "highpass_b", "analysis", "140 Hz pre-filter numerator, Q12 (3.1)"),
    ("a140", "highpass_a", "analysis", "140 Hz pre-filter denominator, Q12 (3.1)"),
    ("b100", "highpass100_b", "analysis", "100 Hz post-filter numerator, Q13"),
    ("a100", "highpass100_a", "analysis", "100 Hz post-filter denominator, Q12"),
    ("grid", "lsp_grid", "analysis", "Annex A Chebyshev search grid, 51 points"),
    ("grid_main_body", "lsp_grid_main_body", "analysis", "main-body search grid, 61 points"),
    ("table", "cos_table", "lsp", "cosine table for LSP<->LSF, Q15"),
    ("slope", "cos_slope", "lsp", "slope of cos_table for LSP->LSF"),
    ("table2", "cos_table2", "lsp", "cosine table for the Annex A LSF<->LSP, Q15"),
    ("slope_cos", "slope_cos", "lsp", "slope for LSF->LSP (Annex A), Q12"),
    ("slope_acos", "slope_acos", "lsp", "slope for LSP->LSF (Annex A), Q12"),
    ("lspcb1", "lsp_codebook1", "lsp", "first-stage LSP codebook, Q13"),
    ("lspcb2", "lsp_codebook2", "lsp", "split second-stage LSP codebook, Q13"),
    ("fg", "lsp_ma_predictor", "lsp", "two switched 4th-order MA predictors, Q15"),
    ("fg_sum", "lsp_ma_predictor_sum", "lsp", "1 - sum of each predictor, Q15"),
    ("fg_sum_inv", "lsp_ma_predictor_sum_inv", "lsp", "inverse of lsp_ma_predictor_sum, Q12"),
    ("freq_prev_reset", "lsp_ma_reset", "lsp", "reset value of the LSP MA memory, Q13"),
    ("inter_3l", "inter_3l", "pitch", "1/3-sample interpolation filter for the excitation, Q15"),
    ("inter_3", "inter_3", "pitch", "1/3-sample interpolation filter for correlations"),
    ("tab_hup_s", "tab_hup_s", "pitch", "main-body post-filter up-sampling filter, short"),
    ("tab_hup_l", "tab_hup_l", "pitch", "main-body post-filter up-sampling filter, long"),
    ("tab_zone", "taming_zone", "pitch", "excitation-error zone of each delay (3.10)"),
    ("pred", "gain_ma_predictor", "gain", "fixed-codebook energy MA predictor, Q13"),
    ("gbk1", "gain_codebook1", "gain", "7-bit gain codebook, first stage (GA)"),
    ("gbk2", "gain_codebook2", "gain", "7-bit gain codebook, second stage (GB)"),
    ("map1", "gain_map1", "gain", "index map of gain_codebook1"),
    ("map2", "gain_map2", "gain", "index map of gain_codebook2"),
    ("imap1", "gain_imap1", "gain", "inverse index map of gain_codebook1"),
    ("imap2", "gain_imap2", "gain", "inverse index map of gain_codebook2"),
    ("coef", "gain_coef", "gain", "preselection line coefficients"),
    ("L_coef", "gain_coef_l", "gain", "preselection line coefficients, 32-bit"),
    ("thr1", "gain_thr1", "gain", "preselection thresholds, first stage"),
    ("thr2", "gain_thr2", "gain", "preselection thresholds, second stage"),
    ("gbk1_6k", "gain_codebook1_6k", "gain", "6-bit gain codebook, first stage (Annex D)"),
    ("gbk2_6k", "gain_codebook2_6k", "gain", "6-bit gain codebook, second stage (Annex D)"),
    ("map1_6k", "gain_map1_6k", "gain", "index map of gain_codebook1_6k"),
    ("map2_6k", "gain_map2_6k", "gain", "index map of gain_codebook2_6k"),
    ("imap1_6k", "gain_imap1_6k", "gain", "inverse index map of gain_codebook1_6k"),
    ("imap2_6k", "gain_imap2_6k", "gain", "inverse index map of gain_codebook2_6k"),
    ("coef_6k", "gain_coef_6k", "gain", "preselection line coefficients (Annex D)"),
    ("L_coef_6k", "gain_coef_l_6k", "gain", "preselection line coefficients, 32-bit (Annex D)"),
    ("thr1_6k", "gain_thr1_6k", "gain", "preselection thresholds, first stage (Annex D)"),
    ("thr2_6k", "gain_thr2_6k", "gain", "preselection thresholds, second stage (Annex D)"),
    ("tabpow", "pow2_table", "math", "table of 2^x for pow2()"),
    ("tablog", "log2_table", "math", "table of log2(x) for log2()"),
    ("tabsqr", "inv_sqrt_table", "math", "table of 1/sqrt(x) for inv_sqrt()"),
    ("trackTable0", "track_table0", "codebook", "two-pulse codebook, positions of pulse 0 (Annex D)"),
    ("trackTable1", "track_table1", "codebook", "two-pulse codebook, positions of pulse 1 (Annex D)"),
    ("grayEncode", "gray_encode", "codebook", "Gray code of the two-pulse positions (Annex D)"),
    ("grayDecode", "gray_decode", "codebook", "inverse of gray_encode (Annex D)"),
    ("ph_imp_low", "phase_dispersion_low", "codebook", "phase dispersion impulse, low (Annex D)"),
    ("ph_imp_mid", "phase_dispersion_mid", "codebook", "phase dispersion impulse, mid (Annex D)"),
    ("ipos", "ten_pulse_track_order", "codebook", "track order of the ten-pulse search (Annex E)"),
]

CTYPE = {"int16": "Word16", "int32": "Word32"}


def read_table(path):
    lines = path.read_text().split("\n")
    _, name, kind, shape = lines[0].split()
    dims = [int(d) for d in shape.split("x")]
    values = [int(v) for v in " ".join(lines[1:]).split()]
    count = 1
    for d in dims:
        count *= d
    if len(values) != count:
        raise SystemExit(f"{path}: {len(values)} values, shape says {count}")
    return kind, dims, values


def declarator(our, dims):
    return our + "".join(f"[{d}]" for d in dims)


def literal(kind, v):
    if kind == "int32" and v == -(2**31):
        return "(-2147483647 - 1)"
    return str(v)


def body(kind, dims, values, indent="    "):
    """Initialiser text with one brace level per dimension beyond the first."""
    if len(dims) == 1:
        text = ", ".join(literal(kind, v) for v in values)
        chunks, line = [], ""
        for item in text.split(", "):
            if len(line) + len(item) > 92:
                chunks.append(line.rstrip())
                line = ""
            line += item + ", "
        chunks.append(line.rstrip())
        return "\n".join(indent + c for c in chunks)
    step = len(values) // dims[0]
    parts = []
    for i in range(dims[0]):
        inner = body(kind, dims[1:], values[i * step:(i + 1) * step], indent + "    ")
        parts.append(f"{indent}{{\n{inner}\n{indent}}},")
    return "\n".join(parts)


def main():
    src = pathlib.Path(sys.argv[1])
    dst = pathlib.Path(sys.argv[2])
    groups = {}
    header = []
    for ref, our, group, what in TABLES:
        kind, dims, values = read_table(src / f"{ref}.txt")
        decl = declarator(our, dims)
        header.append(f"// {what}; G.729 \"{ref}\".\nextern const {CTYPE[kind]} {decl};")
        groups.setdefault(group, []).append(
            f"// G.729 \"{ref}\"\nconst {CTYPE[kind]} {decl} = {{\n{body(kind, dims, values)}\n}};")
    banner = "// Generated once by voice_encoder/tables/generate_tables.py; numbers as published.\n"
    (dst / "tables.h").write_text(
        "#pragma once\n" + banner +
        "// Constant tables of ITU-T G.729 and its Annexes A, D and E.\n\n"
        "#include \"voice_encoder/basic_ops.h\"\n\nnamespace vox::g729 {\n\n" +
        "\n".join(header) + "\n\n}  // namespace vox::g729\n")
    for group, defs in groups.items():
        (dst / "tables" / f"tables_{group}.cpp").write_text(
            banner + "#include \"voice_encoder/tables.h\"\n\nnamespace vox::g729 {\n\n" +
            "\n\n".join(defs) + "\n\n}  // namespace vox::g729\n")


if __name__ == "__main__":
    main()
