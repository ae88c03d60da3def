import com.sun.source.tree.ClassTree;
import com.sun.source.tree.CompilationUnitTree;
import com.sun.source.tree.MethodTree;
import com.sun.source.tree.ModifiersTree;
import com.sun.source.tree.Tree;
import com.sun.source.tree.VariableTree;
import com.sun.source.util.DocTrees;
import com.sun.source.util.JavacTask;
import com.sun.source.util.TreePath;
import com.sun.source.util.TreePathScanner;
import java.io.File;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import javax.lang.model.element.Modifier;
import javax.tools.JavaCompiler;
import javax.tools.StandardJavaFileManager;
import javax.tools.ToolProvider;

/**
 * Lists the members of the public API (public or protected classes, constructors, methods and fields)
 * that have no documentation comment, one per line, and exits with 1 when there is any. Overriding
 * methods take the comment of the method they override and are not listed. Arguments: the source files.
 */
public final class MissingDocs {
    private MissingDocs() {
    }

    public static void main(String[] args) throws Exception {
        JavaCompiler compiler = ToolProvider.getSystemJavaCompiler();
        List<String> missing = new ArrayList<>();
        try (StandardJavaFileManager files = compiler.getStandardFileManager(null, null, null)) {
            JavacTask task = (JavacTask) compiler.getTask(null, files, null, List.of("-proc:none"), null,
                    files.getJavaFileObjectsFromFiles(Arrays.stream(args).map(File::new).toList()));
            DocTrees docs = DocTrees.instance(task);
            for (CompilationUnitTree unit : task.parse()) {
                new Scanner(docs, unit, missing).scan(unit, null);
            }
        }
        missing.forEach(System.out::println);
        System.out.println(missing.size() + " public members without a comment");
        System.exit(missing.isEmpty() ? 0 : 1);
    }

    private static final class Scanner extends TreePathScanner<Void, Void> {
        private final DocTrees docs;
        private final CompilationUnitTree unit;
        private final List<String> missing;

        Scanner(DocTrees docs, CompilationUnitTree unit, List<String> missing) {
            this.docs = docs;
            this.unit = unit;
            this.missing = missing;
        }

        @Override
        public Void visitClass(ClassTree tree, Void unused) {
            check(tree.getModifiers(), tree.getSimpleName().toString());
            return super.visitClass(tree, unused);
        }

        @Override
        public Void visitMethod(MethodTree tree, Void unused) {
            boolean overrides = tree.getModifiers().getAnnotations().stream()
                    .anyMatch(a -> a.getAnnotationType().toString().equals("Override"));
            if (!overrides) {
                check(tree.getModifiers(), tree.getName() + "(" + tree.getParameters().stream()
                        .map(p -> p.getType().toString()).reduce((a, b) -> a + ", " + b).orElse("") + ")");
            }
            return null;
        }

        @Override
        public Void visitVariable(VariableTree tree, Void unused) {
            if (getCurrentPath().getParentPath().getLeaf().getKind() != Tree.Kind.METHOD) {
                check(tree.getModifiers(), tree.getName().toString());
            }
            return null;
        }

        // Members of an interface are public without saying so.
        private void check(ModifiersTree modifiers, String name) {
            Tree parent = getCurrentPath().getParentPath().getLeaf();
            boolean inInterface =
                    parent instanceof ClassTree && ((ClassTree) parent).getKind() == Tree.Kind.INTERFACE;
            boolean exported = inInterface || modifiers.getFlags().contains(Modifier.PUBLIC)
                    || modifiers.getFlags().contains(Modifier.PROTECTED);
            TreePath path = getCurrentPath();
            if (exported && docs.getDocCommentTree(path) == null) {
                long start = docs.getSourcePositions().getStartPosition(unit, path.getLeaf());
                long line = unit.getLineMap().getLineNumber(start);
                missing.add(new File(unit.getSourceFile().getName()).getName() + ":" + line + ": " + name);
            }
        }
    }
}
