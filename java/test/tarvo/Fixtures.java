package tarvo;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;

/** Networks in the library's own text format, temporary files and comparisons of doubles. */
final class Fixtures {
    private Fixtures() {
    }

    static final String IDENTIFIER_RULE =
            "' is invalid - it should start with a letter and contain only letters, digits and underscores";

    /** The message that refuses a text as an identifier. */
    static String badIdentifier(String text) {
        return "Identifier '" + text + IDENTIFIER_RULE;
    }

    /** Rain -> WetGrass: P(Rain=yes) 0.2, P(WetGrass=yes | Rain) 0.9 and 0.3. */
    static final String RAIN = String.join("\n",
            "net Rain",
            "{",
            " node Rain",
            "  {",
            "   TYPE = CPT;",
            "   HEADER = { ID = Rain; NAME = \"Rain\"; };",
            "   PARENTS = ();",
            "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (0.2, 0.8); };",
            "  };",
            " node WetGrass",
            "  {",
            "   TYPE = CPT;",
            "   HEADER = { ID = WetGrass; NAME = \"Wet grass\"; };",
            "   PARENTS = (Rain);",
            "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (0.9, 0.1, 0.3, 0.7); };",
            "  };",
            "};",
            "");

    /**
     * A -> B, A -> C, where B = yes is possible only for a1 and a2 and C = yes only for a3 and a4: each
     * observation alone is possible, both together are not.
     */
    static final String EXCLUSIVE = String.join("\n",
            "net Exclusive",
            "{",
            " node A { TYPE = CPT; HEADER = { ID = A; }; PARENTS = ();",
            "   DEFINITION = { NAMESTATES = (a1, a2, a3, a4); PROBABILITIES = (0.1, 0.2, 0.3, 0.4); }; };",
            " node B { TYPE = CPT; HEADER = { ID = B; }; PARENTS = (A);",
            "   DEFINITION = { NAMESTATES = (yes, no); "
                    + "PROBABILITIES = (0.5, 0.5, 0.5, 0.5, 0, 1, 0, 1); }; };",
            " node C { TYPE = CPT; HEADER = { ID = C; }; PARENTS = (A);",
            "   DEFINITION = { NAMESTATES = (yes, no); "
                    + "PROBABILITIES = (0, 1, 0, 1, 0.5, 0.5, 0.5, 0.5); }; };",
            "};",
            "");

    /** The "visit to Asia" chest-clinic network (Lauritzen and Spiegelhalter). */
    static final String ASIA = String.join("\n",
            "net Asia",
            "{",
            node("VisitAsia", "CPT", "", "PROBABILITIES = (0.01, 0.99)"),
            node("Smoker", "CPT", "", "PROBABILITIES = (0.5, 0.5)"),
            node("Tuberculosis", "CPT", "VisitAsia", "PROBABILITIES = (0.05, 0.95, 0.01, 0.99)"),
            node("LungCancer", "CPT", "Smoker", "PROBABILITIES = (0.1, 0.9, 0.01, 0.99)"),
            node("Bronchitis", "CPT", "Smoker", "PROBABILITIES = (0.6, 0.4, 0.3, 0.7)"),
            node("TbOrCancer", "TRUTHTABLE", "Tuberculosis, LungCancer",
                    "RESULTINGSTATES = (yes, yes, yes, no)"),
            node("XRay", "CPT", "TbOrCancer", "PROBABILITIES = (0.98, 0.02, 0.05, 0.95)"),
            node("Dyspnea", "CPT", "TbOrCancer, Bronchitis",
                    "PROBABILITIES = (0.9, 0.1, 0.7, 0.3, 0.8, 0.2, 0.1, 0.9)"),
            "};",
            "");

    private static String node(String id, String type, String parents, String table) {
        return " node " + id + "\n  {\n   TYPE = " + type + ";\n   HEADER = { ID = " + id + "; };\n"
                + "   PARENTS = (" + parents + ");\n"
                + "   DEFINITION = { NAMESTATES = (yes, no); " + table + "; };\n  };";
    }

    /** A temporary file (removed when the JVM exits) holding the text. */
    static String writeTemp(String suffix, String text) {
        try {
            File file = File.createTempFile("vovido-test", suffix);
            file.deleteOnExit();
            Files.write(file.toPath(), text.getBytes(StandardCharsets.UTF_8));
            return file.getPath();
        } catch (IOException e) {
            throw new AssertionError("cannot write a temporary file", e);
        }
    }

    /** The prefix of a reader's message about a line of the file at path. */
    static String atLine(int line, String path) {
        return "(line " + line + " while loading " + path + ") : ";
    }

    /** A path for a file that the test writes; removed when the JVM exits. */
    static String tempPath(String suffix) {
        String path = writeTemp(suffix, "");
        new File(path).delete();
        new File(path).deleteOnExit();
        return path;
    }

    /** A new network read from the text in the library's own format. */
    static Network read(String text) {
        Network net = new Network();
        try {
            net.readFile(writeTemp(".vrx", text));
        } catch (RuntimeException e) {
            net.dispose();
            throw e;
        }
        return net;
    }

    static void near(double expected, double actual, String what) {
        if (!(Math.abs(expected - actual) <= 1e-9)) {
            throw new AssertionError(what + ": expected " + expected + " but was " + actual);
        }
    }

    static void near(double[] expected, double[] actual, String what) {
        Check.equal(expected.length, actual.length);
        for (int i = 0; i < expected.length; i++) {
            near(expected[i], actual[i], what + "[" + i + "]");
        }
    }
}
