#!/usr/bin/env bash
# Whether this machine can start 32-bit x86 programs at all: assembles the
# smallest 32-bit program (exit 0 through int 0x80) and starts it. Kernels
# built or booted without 32-bit emulation answer "Exec format error"; there
# wine32 cannot run either, however it is installed. Exit status 0 when it
# ran; otherwise 1 with the reason on standard output.
# QUORVEX_NO_32BIT=1 answers "no" without trying, to try the other path on a
# machine that runs them.
set -uo pipefail
if [ "${QUORVEX_NO_32BIT:-}" = 1 ]; then
    echo "QUORVEX_NO_32BIT=1 says this machine runs no 32-bit programs"
    exit 1
fi
for tool in as ld; do
    command -v "$tool" >/dev/null || { echo "cannot try: $tool (binutils) is missing"; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-32bit.XXXXXX")
trap 'rm -rf "$work"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$work/exit.s"
if ! as --32 -o "$work/exit.o" "$work/exit.s" 2>"$work/err" ||
    ! ld -m elf_i386 -o "$work/exit" "$work/exit.o" 2>>"$work/err"; then
    echo "cannot try: no 32-bit program could be made: $(head -1 "$work/err")"
    exit 1
fi
if ! "$work/exit" 2>"$work/err"; then
    echo "this kernel runs no 32-bit programs ($(sed 's/.*: //' "$work/err" | head -1))"
    exit 1
fi
exit 0
