/* Can this kernel run 32-bit user code at all? Wine's WoW64 mode runs a
 * 32-bit exe inside its 64-bit loader by far-jumping to the 32-bit user code
 * selector (0x23) and back; a kernel with IA-32 emulation off leaves that
 * selector unusable, and the jump dies with a signal. The same jump to the
 * 64-bit selector (0x33) is the control: it must come back either way.
 *
 * Build: gcc -O2 -static -no-pie -o farjump farjump.c (the code and the
 * stack of the 32-bit part must lie below 4 GiB, which a non-PIE exe gives).
 * Prints "farjump 0x33 ok 0x23 ok" or "... 0x23 died (SIGNAL)"; exits 0
 * when the 32-bit jump came back with the right sum, 1 when it did not, 2
 * when even the control failed. */
#define _GNU_SOURCE
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

/* The 32-bit side has no usable DS (it is null in a 64-bit process), so it
 * computes in registers and touches memory only through SS, the stack. */
unsigned char farjump_stack[8192] __attribute__((aligned(16)));
unsigned long farjump_saved_rsp;

/* unsigned farjump_to(unsigned selector, unsigned n): sums 1..n in code
 * run through the far selector (0x23: as 32-bit code) and returns it. */
unsigned farjump_to(unsigned selector, unsigned n);
__asm__(".text\n"
        ".globl farjump_to\n"
        "farjump_to:\n"
        "  push %rbx\n"
        "  push %rbp\n"
        "  push %r12\n"
        "  push %r13\n"
        "  push %r14\n"
        "  push %r15\n"
        "  mov %rsp, farjump_saved_rsp(%rip)\n"
        "  mov $farjump_stack+8192, %esp\n"
        "  mov %esi, %ecx\n"
        "  cmp $0x33, %edi\n"
        "  je 1f\n"
        "  pushq %rdi\n"
        "  pushq $2f\n"
        "  lretq\n"
        /* the control: the same loop as 64-bit code, through a far return */
        "1:\n"
        "  pushq %rdi\n"
        "  pushq $5f\n"
        "  lretq\n"
        "5:\n"
        "  xorl %eax, %eax\n"
        "6:\n"
        "  addl %ecx, %eax\n"
        "  loop 6b\n"
        "  pushq $0x33\n"
        "  pushq $4f\n"
        "  lretq\n"
        ".code32\n"
        "2:\n"
        "  xorl %eax, %eax\n"
        "3:\n"
        "  addl %ecx, %eax\n"
        "  loop 3b\n"
        "  pushl $0x33\n"
        "  pushl $4f\n"
        "  lret\n"
        ".code64\n"
        "4:\n"
        "  mov farjump_saved_rsp(%rip), %rsp\n"
        "  pop %r15\n"
        "  pop %r14\n"
        "  pop %r13\n"
        "  pop %r12\n"
        "  pop %rbp\n"
        "  pop %rbx\n"
        "  ret\n");

/* Runs the jump in a child, so that a fault ends only the child. Returns 0
 * when the child came back with the right sum, else writes why into why. */
static int try_selector(unsigned selector, char *why, size_t size)
{
    const unsigned n = 1000, expected = n * (n + 1) / 2;
    fflush(stdout);
    pid_t pid = fork();
    if (pid < 0) {
        snprintf(why, size, "could not fork");
        return -1;
    }
    if (pid == 0)
        _exit(farjump_to(selector, n) == expected ? 0 : 3);
    int status;
    if (waitpid(pid, &status, 0) < 0) {
        snprintf(why, size, "lost its child");
        return -1;
    }
    if (WIFSIGNALED(status)) {
        snprintf(why, size, "died (%s)", strsignal(WTERMSIG(status)));
        return -1;
    }
    if (WEXITSTATUS(status) != 0) {
        snprintf(why, size, "came back with a wrong sum");
        return -1;
    }
    snprintf(why, size, "ok");
    return 0;
}

int main(void)
{
    char why64[64], why32[64];
    int control = try_selector(0x33, why64, sizeof why64);
    int compat = try_selector(0x23, why32, sizeof why32);
    printf("farjump 0x33 %s 0x23 %s\n", why64, why32);
    return control != 0 ? 2 : compat != 0 ? 1 : 0;
}
