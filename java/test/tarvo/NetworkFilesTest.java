package tarvo;

import java.util.Arrays;

/** Reading and writing network files, and the error texts of failed reads and writes. */
public class NetworkFilesTest {
    private static final int CPT = 0x12;
    private static final int TRUTH_TABLE = 0x14;
    /** The failure of a later call, which carries only what that call logged. */
    private static final String NOT_A_PARENT = "TARVO error -2 in function RemoveArc. Logged information: "
            + "ERROR: Node [Rain] : [WetGrass] is not one of its parents\n";

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** A network with every descriptive part the natives can set. */
    private static Network buildClinic() {
        Network net = new Network();
        net.setId("Clinic");
        net.setName("Chest clinic");
        net.setDescription("Written by the natives");
        int smoker = net.addNode(CPT, "Smoker");
        int cancer = net.addNode(CPT, "Cancer");
        int either = net.addNode(TRUTH_TABLE, "Either");
        net.setNodeName(smoker, "Smokes daily");
        net.setNodeDescription(smoker, "Habit");
        net.setNodeDescription(cancer, "Lung cancer");
        net.setNodeDescription(either, "Either of them");
        net.setOutcomeId(smoker, 0, "yes");
        net.setOutcomeId(smoker, 1, "no");
        net.addOutcome(cancer, "maybe");
        net.addArc(smoker, cancer);
        net.addArc(smoker, either);
        net.addArc(cancer, either);
        return net;
    }

    private static void expectSameStructure(Network expected, Network actual) {
        Check.equal(expected.getId(), actual.getId());
        Check.equal(expected.getName(), actual.getName());
        Check.equal(expected.getDescription(), actual.getDescription());
        Check.equal(Arrays.asList(expected.getAllNodeIds()), Arrays.asList(actual.getAllNodeIds()));
        for (String id : expected.getAllNodeIds()) {
            Check.equal(expected.getNodeName(id), actual.getNodeName(id));
            Check.equal(expected.getNodeDescription(id), actual.getNodeDescription(id));
            Check.equal(expected.getNodeType(id), actual.getNodeType(id));
            Check.equal(Arrays.asList(expected.getOutcomeIds(id)), Arrays.asList(actual.getOutcomeIds(id)));
            Check.equal(Arrays.asList(expected.getParentIds(id)), Arrays.asList(actual.getParentIds(id)));
        }
    }

    private static void expectSameBeliefs(Network expected, Network actual) {
        expected.updateBeliefs();
        actual.updateBeliefs();
        for (String id : expected.getAllNodeIds()) {
            Fixtures.near(expected.getNodeValue(id), actual.getNodeValue(id), id);
        }
    }

    private static void roundTrip(String suffix) {
        Network original = buildClinic();
        Network copy = new Network();
        try {
            String path = Fixtures.tempPath(suffix);
            original.writeFile(path);
            copy.readFile(path);
            expectSameStructure(original, copy);
            expectSameBeliefs(original, copy);
        } finally {
            original.dispose();
            copy.dispose();
        }
    }

    public void testOwnTextFormatRoundTrip() {
        roundTrip(".vrx");
    }

    public void testXmlFormatRoundTrip() {
        roundTrip(".xvrx");
    }

    public void testNeticaRoundTrip() {
        roundTrip(".dne");
    }

    /** A network identifier that a node holds too reads back as written from every format that keeps one. */
    public void testANetworkNamedLikeANodeKeepsItsIdentifier() {
        Network original = buildClinic();
        try {
            original.setId("Smoker");
            for (String suffix : new String[] {".vrx", ".xvrx", ".qvrx", ".dne", ".xml03"}) {
                String path = Fixtures.tempPath(suffix);
                original.writeFile(path);
                Network copy = new Network();
                try {
                    copy.readFile(path);
                    Check.equal("Smoker", copy.getId());
                    Check.equal(Arrays.asList(original.getAllNodeIds()), Arrays.asList(copy.getAllNodeIds()));
                } finally {
                    copy.dispose();
                }
            }
        } finally {
            original.dispose();
        }
    }

    /** Hugin keeps nodes, names, outcomes, parents and tables; the truth table comes back as its CPT. */
    public void testHuginRoundTrip() {
        Network original = buildClinic();
        Network copy = new Network();
        try {
            String path = Fixtures.tempPath(".net");
            original.writeFile(path);
            copy.readFile(path);
            Check.equal(Arrays.asList(original.getAllNodeIds()), Arrays.asList(copy.getAllNodeIds()));
            for (String id : original.getAllNodeIds()) {
                Check.equal(original.getNodeName(id), copy.getNodeName(id));
                Check.equal(Arrays.asList(original.getOutcomeIds(id)), Arrays.asList(copy.getOutcomeIds(id)));
                Check.equal(Arrays.asList(original.getParentIds(id)), Arrays.asList(copy.getParentIds(id)));
            }
            expectSameBeliefs(original, copy);
        } finally {
            original.dispose();
            copy.dispose();
        }
    }

    public void testTablesSurviveWritingAndReading() {
        Network rain = Fixtures.read(Fixtures.RAIN);
        Network copy = new Network();
        try {
            String path = Fixtures.tempPath(".vrx");
            rain.writeFile(path);
            copy.readFile(path);
            expectSameStructure(rain, copy);
            rain.setEvidence("WetGrass", "yes");
            copy.setEvidence("WetGrass", "yes");
            expectSameBeliefs(rain, copy);
            Fixtures.near(0.18 / 0.42, copy.getNodeValue("Rain")[0], "P(Rain=yes | WetGrass=yes)");
        } finally {
            rain.dispose();
            copy.dispose();
        }
    }

    public void testFailedReadListsTheReadersMessagesOnce() {
        Network net = Fixtures.read(Fixtures.RAIN);
        try {
            Check.equal("TARVO error -103 in function ReadFile. Logged information: OPEN FILE FAILED: "
                    + "/nonexistent/dir/net.vrx: No such file or directory\n",
                    message(() -> net.readFile("/nonexistent/dir/net.vrx")));
            // The text emptied the log: the next engine error carries nothing of the read.
            Check.equal(NOT_A_PARENT, message(() -> net.deleteArc("WetGrass", "Rain")));
            String unknown = Fixtures.writeTemp(".unknownformat", "");
            Check.equal("TARVO error -2 in function ReadFile. Logged information: Unknown File Format: no format has "
                    + "the extension \"unknownformat\" of file " + unknown + "\n", message(() -> net.readFile(unknown)));
            String garbage = Fixtures.writeTemp(".vrx", "garbage");
            Check.equal("TARVO error -127 in function ReadFile. Logged information: " + Fixtures.atLine(1, garbage)
                    + "ERROR: 'garbage' : 'net' expected\n", message(() -> net.readFile(garbage)));
            // A directory is named as the file that cannot be read.
            String folder = Fixtures.tempPath(".net");
            Check.isTrue(new java.io.File(folder).mkdir(), folder);
            Check.equal("TARVO error -103 in function ReadFile. Logged information: OPEN FILE FAILED: " + folder
                    + ": Is a directory\n", message(() -> net.readFile(folder)));
            new java.io.File(folder).delete();
            // A failed read leaves the network as it was.
            Check.equal(Arrays.asList("Rain", "WetGrass"), Arrays.asList(net.getAllNodeIds()));
            Check.equal("String argument can't be null (path)", message(() -> net.readFile(null)));
        } finally {
            net.dispose();
        }
    }

    /** A read that fails after some nodes keeps the earlier network whole; a file's sample count is kept. */
    public void testFailedReadKeepsTheEarlierNetworkAndAFileKeepsItsSampleCount() {
        Network net = Fixtures.read(Fixtures.RAIN.replace("{\n node Rain", "{\n NUMSAMPLES = 250;\n node Rain"));
        try {
            Check.equal(250, net.getSampleCount());
            net.setSampleCount(77);
            String cut = "net Other\n{\n NUMSAMPLES = 5;\n node Extra { TYPE = CPT; HEADER = { ID = Extra; }; "
                    + "PARENTS = ();\n DEFINITION = { NAMESTATES = (a, b); PROBABILITIES = (0.5, 0.5); }; };\n node (";
            Check.raises(TARVOException.class, () -> net.readFile(Fixtures.writeTemp(".vrx", cut)));
            Check.equal(Arrays.asList("Rain", "WetGrass"), Arrays.asList(net.getAllNodeIds()));
            Check.equal(77, net.getSampleCount());
            net.readFile(Fixtures.writeTemp(".vrx", Fixtures.RAIN));
            Check.equal(1000, net.getSampleCount());
        } finally {
            net.dispose();
        }
    }

    public void testWarningsOfASuccessfulReadStayWithTheRead() {
        String text = Fixtures.RAIN.replace("PARENTS = (Rain);", "PARENTS = (Rain);\n   BOGUS = 1;");
        Network net = Fixtures.read(text);
        try {
            Check.equal(2, net.getNodeCount());
            // A later failure reports only what it logged itself.
            Check.equal(NOT_A_PARENT, message(() -> net.deleteArc("WetGrass", "Rain")));
            Network other = Fixtures.read(text);
            try {
                Check.equal("TARVO error -103 in function ReadFile. Logged information: OPEN FILE FAILED: "
                        + "/nonexistent/net.vrx: No such file or directory\n",
                        message(() -> other.readFile("/nonexistent/net.vrx")));
            } finally {
                other.dispose();
            }
        } finally {
            net.dispose();
        }
    }

    public void testFailedWrite() {
        Network net = Fixtures.read(Fixtures.RAIN);
        try {
            Check.equal("TARVO error -103 in function WriteFile. Logged information: OPEN FILE FAILED: "
                    + "/nonexistent/dir/net.vrx: No such file or directory\n",
                    message(() -> net.writeFile("/nonexistent/dir/net.vrx")));
            Check.equal("String argument can't be null (path)", message(() -> net.writeFile(null)));
        } finally {
            net.dispose();
        }
    }
}
