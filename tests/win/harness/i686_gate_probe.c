/* Can this machine run 32-bit code inside a 64-bit process? Wine's WoW64 gives each 32-bit
 * thread its segment through the 32-bit system call gate (int 0x80); some kernels close that
 * gate to 64-bit processes, and then every i686 program dies at once under Wine.
 *
 * A child makes the 32-bit getpid call through the gate. Exit status: 0 the call came back,
 * 1 the child was killed by the kernel (no gate), 2 the probe itself could not tell. */
#include <signal.h>
#include <stdio.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

int main(void) {
    pid_t child = fork();
    if (child < 0) {
        perror("i686 gate probe: fork");
        return 2;
    }
    if (child == 0) {
        long result = 20; /* __NR_getpid in the 32-bit system call table */
        __asm__ volatile("int $0x80" : "+a"(result) : : "memory");
        _exit(result == (long)getpid() ? 0 : 3);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        perror("i686 gate probe: waitpid");
        return 2;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return 0;
    if (WIFSIGNALED(status) &&
        (WTERMSIG(status) == SIGSEGV || WTERMSIG(status) == SIGILL || WTERMSIG(status) == SIGBUS)) {
        return 1;
    }
    fprintf(stderr, "i686 gate probe: unexpected child status 0x%x\n", status);
    return 2;
}
