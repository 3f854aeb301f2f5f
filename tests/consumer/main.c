/* A plain C program against tovrin.h: loads the configuration named on the
 * command line and prints one result of each family of services. */
#include <stdio.h>
#include <stdlib.h>

#include <tovrin.h>

int main(int argc, char **argv) {
    LANG *xx, *yy;
    char *text;

    if (argc != 2) {
        fputs("usage: consumer_c BIBL.INI\n", stderr);
        return 2;
    }
    tovrin_init_file(argv[1]);
    xx = findlang("xx");
    yy = findlang("yy");
    if (xx == NULL || yy == NULL) {
        fputs("consumer_c: no languages xx and yy\n", stderr);
        return 1;
    }
    printf("version %s\n", TOVRIN_VERSION);
    text = tovrin_expand_bl("Mt 5,3n. 7; L 6,20-22", xx, yy);
    printf("expand %s\n", text);
    free(text);
    text = trans_cite("Mt 5,3-7", xx, yy);
    printf("translate %s\n", text != NULL ? text : "(none)");
    free(text);
    printf("check1 %d\n", tovrin_check1("Mt 5,3-", xx));
    printf("overlap %d\n", tovrin_is_equal("Mt 5,3", "Mat 5:1-10", xx, yy));
    printf("order %d\n", tovrin_comp("Gn 1,1", "Mt 1,1", xx, xx));
    return 0;
}
